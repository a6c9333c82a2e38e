// The picture's properties: its shown size (with its proportions kept if the user wishes, or its own
// size at one click), the text that stands for it, and another picture in its place.
#pragma once

#include "editing/objectattributes.h"

#include <QDialog>
#include <QSize>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace inkwell {

// A picture the user chose to put in place of the shown one: its reference and its own size (empty
// when it cannot be read as a picture).
struct ReplacementPicture
{
    std::string source;
    QSize size;
};

class PictureDialog final : public QDialog
{
public:
    // What the dialog shows of the picture: its reference, alt text, shown size and own size (empty
    // when unknown, as for a picture that did not load).
    struct Shown
    {
        std::string source;
        std::string alt;
        QSize shownSize;
        QSize ownSize;
    };
    // "更换图片…" runs `replace`, which lets the user choose a picture (nothing when cancelled).
    PictureDialog(
        QWidget* parent, const Shown& shown, std::function<std::optional<ReplacementPicture>()> replace);

    [[nodiscard]] PictureFields fields() const;

private:
    void widthChanged(int width);
    void heightChanged(int height);
    void showOwnSize();
    void replacePicture();
    // The proportions the lock keeps: the picture's own, or the shown ones when its own are unknown.
    [[nodiscard]] PictureSize shape() const;

    QSpinBox* m_width = nullptr;
    QSpinBox* m_height = nullptr;
    QCheckBox* m_keepProportions = nullptr;
    QLineEdit* m_alt = nullptr;
    QLabel* m_source = nullptr;
    QSize m_ownSize;
    QSize m_shownSize;
    std::optional<std::string> m_newSource;
    std::function<std::optional<ReplacementPicture>()> m_replace;
    bool m_following = false; // one side is being set from the other
};

} // namespace inkwell
