// The local files an opened page names by relative address (pictures, style sheets and what they name,
// icons, scripts, media), planned and then copied into the document folder under the same relative
// path, so that the page finds them beside the document as it found them beside itself.
#pragma once

#include "core/messagetexts.h"
#include "core/regularfile.h"
#include "core/result.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace inkwell {

struct ResourceRef;

class OpenedPageFiles
{
public:
    // Above either, the user is asked before anything is copied.
    static constexpr std::size_t kAskAboveFiles = 200;
    static constexpr std::uint64_t kAskAboveBytes = 100ULL * 1024 * 1024;
    // Style sheets are read whole for their own references; a larger one is not copied.
    static constexpr std::uint64_t kLargestStyleSheet = 16ULL * 1024 * 1024;

    struct Outcome
    {
        // The page to load: the opened text with the references that had to change rewritten.
        std::string html;
        std::vector<texts::UncopiedPageFile> uncopied; // in the order the page names them
        std::size_t copied = 0; // files written into the document folder (identical ones found there are not)
    };

    // Plans the copies: reads the references of `html` (the text of `pageFile`, UTF-8) and of its style
    // sheets, and checks each file where it lies. Nothing is written yet. A page that lies in the
    // document folder, or names a base address of its own, brings nothing.
    OpenedPageFiles(
        const std::filesystem::path& pageFile, std::string html, const std::filesystem::path& documentFolder);

    // The files the copy would write or find already there, and their bytes.
    [[nodiscard]] std::size_t fileCount() const;
    [[nodiscard]] std::uint64_t byteCount() const;
    // True when the user is to be asked first.
    [[nodiscard]] bool isLarge() const;

    // Copies what was planned and gives the page to load. Every file is checked again on the descriptor
    // its bytes are read from. Nothing is written outside the document folder, nothing there is replaced:
    // a different file of the same name makes the copy take a free name, an identical one is used as
    // it is. The opened file is never written.
    [[nodiscard]] Outcome copy();

    // The page as it was opened, for when nothing is to be copied.
    [[nodiscard]] const std::string& html() const { return m_html; }

private:
    using Segments = std::vector<std::string>;

    // One place in a text (the page or a style sheet) that names a file of the plan.
    struct Reference
    {
        std::size_t offset = 0; // bytes into the text
        std::size_t length = 0;
        bool rewritable = true;
        std::size_t file = 0; // index into m_files
        Segments written; // the path as written, percent-decoded, split at "/", "." and ".." kept
        std::string suffix; // the query and fragment as written, kept on a rewritten address
    };

    enum class Plan
    {
        Copy,
        Refused,
    };

    struct PageFile
    {
        Segments source; // relative to the page's folder, with a leading ".." for each folder it climbs
        Segments place; // where it is meant to go, relative to the document folder
        Segments placed; // where it went, once copied
        bool styleSheet = false;
        bool picturePlace = false; // named somewhere a picture belongs: its bytes must be a picture
        Plan plan = Plan::Copy;
        texts::UncopiedPageFile refusal;
        std::uint64_t size = 0;
        std::string text; // a style sheet's bytes as read when planned
        std::vector<Reference> references; // a style sheet's references
        bool copying = false; // on the way of the copy, for style sheets that import each other
        bool done = false;
    };

    void plan();
    // The references among refs (of a text in `folder`, relative to the page's folder) that name local
    // files by relative address, each file planned once.
    std::vector<Reference> references(const std::vector<ResourceRef>& refs, const Segments& folder);
    std::size_t fileFor(Segments source, bool styleSheet, bool picturePlace);
    [[nodiscard]] std::filesystem::path sourcePath(const PageFile& file) const;
    // Opens the file and checks it by the rules (a regular file really inside the site, a picture where
    // one belongs); a file that breaks one is marked refused, with why.
    Result<OpenedFile> openChecked(PageFile& file) const;
    void examine(PageFile& file);
    void copyWithItsFiles(std::size_t index);
    void copyOne(PageFile& file);
    // The text with each reference to a copied file that no longer leads there from `folder` (inside
    // the document folder) replaced by the address that does; every other byte as it was.
    std::string rewritten(
        std::string_view text, const std::vector<Reference>& references, const Segments& folder);

    std::string m_html;
    std::vector<Reference> m_pageReferences;
    std::vector<PageFile> m_files; // in the order the page and its style sheets name them
    std::unordered_map<std::string, std::size_t> m_fileIndex; // source path joined by "/" -> index
    std::filesystem::path m_pageFile; // absolute, as the page was opened (links in it not resolved)
    std::filesystem::path m_pageFolder;
    std::filesystem::path m_documentFolder;
    std::string m_siteRoot; // canonical, with a trailing "/": where every file must really lie
    std::size_t m_allowedClimb = 0; // folders above the page's folder that belong to its site
    std::vector<texts::UncopiedPageFile> m_notRewritten;
    std::size_t m_copied = 0;
};

} // namespace inkwell
