// The design view's script for links and pictures in the page: finds what lies under the pointer or at
// the selection, edits a link or a picture as one step of the engine's undo, and draws the handles of
// a selected picture, by which the user resizes it with the mouse.
#pragma once

#include <QString>

namespace inkwell::objectscript {

// Run after every load, after editingscript::afterLoad. It keeps window.__inkwellObjects in our own
// script world:
//   target(x,y)        what lies at the point of the viewport: [hasSelection, onLink, onPicture,
//                      inTable]; the link and the picture there become the ones edited next, and a
//                      picture there is selected
//   linkAt(x,y)        whether a link lies at the point; it becomes the one edited next
//   linkAtCaret()      whether the selection starts in a link; it becomes the one edited next
//   beforeLink()       remembers the page's links before the link command, true with a selection
//   afterLink()        the links the command made become the ones edited next; how many
//   linkFields()       [href, title, target] of the link edited next, or null
//   setLink(changes)   changes the attributes of that link (or of each one the command made)
//   unlink()           takes the link away and keeps its words
//   pictureFields()    [src, alt, shown width, shown height, own width, own height] of the picture
//                      edited next (the selected one), or null
//   setPicture(changes) changes the picture's attributes, and keeps it selected
//   aside(), back()    take the handles out of the document while the page is read, and put them
//                      back
// Each change of an element is one insertHTML of its changed copy in its place, so that the engine's
// undo takes it back in one step. The handles live in a closed shadow tree, outside the body; the
// page's change watchers are kept from counting them as edits.
[[nodiscard]] QString afterLoad();

// Calls of the functions above, with the arguments as the script's literals.
[[nodiscard]] QString call(const char* function, const QString& arguments = QString());

} // namespace inkwell::objectscript
