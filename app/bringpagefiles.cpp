#include "app/bringpagefiles.h"

#include "core/messagetexts.h"
#include "editing/openedpagefiles.h"

namespace inkwell {

std::string bringPageFiles(MessageService& messages, const std::filesystem::path& pageFile, std::string html,
    const std::filesystem::path& documentFolder)
{
    OpenedPageFiles files(pageFile, std::move(html), documentFolder);
    if (files.isLarge()
        && messages.ask(
               kHintTitle, texts::pageFilesQuestion(files.fileCount(), files.byteCount()), Answer::Yes)
            == Answer::No)
        return files.html();
    OpenedPageFiles::Outcome outcome = files.copy();
    if (!outcome.uncopied.empty())
        messages.show({ kHintTitle, texts::pageFilesNotCopied(outcome.uncopied, documentFolder),
            { MessageButton::Ok }, MessageIcon::Warning, ButtonCaptions::Chinese, MessageButton::Ok });
    return std::move(outcome.html);
}

} // namespace inkwell
