// Pictures that come into the page by paste or drop take the way of the picture command: they are
// written or copied into the document folder and the page refers to them by name, never by a data:
// URL or a file elsewhere that may vanish.
#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <functional>
#include <string>

class QMimeData;

namespace inkwell {

class DesignView;
class MessageService;

class IncomingPictures
{
public:
    // `newName` gives the name (without extension) of a picture that comes without a file of its own,
    // as capture names its pictures; `messages` shows the boxes (none: refusals are silent).
    IncomingPictures(DesignView& view, MessageService* messages, std::function<std::string()> newName);
    IncomingPictures(const IncomingPictures&) = delete;
    IncomingPictures& operator=(const IncomingPictures&) = delete;

    // A paste of `data` at the caret. True when it was taken care of here: a picture (alone, or with
    // HTML that only wraps it) is written as a PNG file and inserted, at its logical size where the
    // screen has `ratio` device pixels per logical pixel; a word processor's passage is pasted cleaned,
    // with its pictures copied in. False for everything else, which the engine pastes as it does.
    // A picture that cannot be written is reported and the page stays as it was.
    [[nodiscard]] bool paste(const QMimeData& data, qreal ratio);

    // Local files dropped at the caret: the pictures among them are inserted in order as the picture
    // command inserts them (copied into the document folder, or used in place when they lie there);
    // the other files are named in a box.
    void drop(const QList<QUrl>& files);

private:
    [[nodiscard]] bool pastePicture(const QMimeData& data, qreal ratio);
    void pastePassage(const QString& html);

    DesignView& m_view;
    MessageService* m_messages;
    std::function<std::string()> m_newName;
};

} // namespace inkwell
