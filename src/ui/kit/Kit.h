#pragma once

#include <QFont>
#include <QList>

class QFrame;
class QWidget;

namespace devnook::Kit {

// Roles that the theme's style sheet colours (see ThemeApplier), and that
// KitStyle paints in the panel.
namespace Role {
inline constexpr char kGrouped[] = "grouped";
inline constexpr char kCard[] = "card";
inline constexpr char kDivider[] = "divider";
inline constexpr char kFeedbackButton[] = "feedback";
inline constexpr char kInvertedButton[] = "inverted";
inline constexpr char kPlainButton[] = "plain";
// Control-coloured with a separator outline: search fields, text buttons.
inline constexpr char kOutlined[] = "outlined";
// The outlined look on a small text button, 28 pixels tall.
inline constexpr char kCompactOutlined[] = "compactOutlined";
// The outlined look on a button as tall as the content laid out inside it.
inline constexpr char kOutlinedPanel[] = "outlinedPanel";
// A borderless text button that opens its menu, its arrow after the text.
inline constexpr char kMenuButton[] = "menu";
// A checkable tab of a segmented row; the checked one is label-coloured.
inline constexpr char kTab[] = "tab";
// A label-coloured disc with a window-coloured symbol.
inline constexpr char kCircleButton[] = "circle";
// A bordered text field on the control background.
inline constexpr char kField[] = "field";
// A segmented control's track and its segments.
inline constexpr char kSegments[] = "segments";
inline constexpr char kSegment[] = "segment";
// A borderless text field inside a form row.
inline constexpr char kInlineField[] = "inline";
// A multi-line text area on the grouped background.
inline constexpr char kTextArea[] = "textArea";
} // namespace Role

namespace TextRole {
inline constexpr char kSecondary[] = "secondary";
inline constexpr char kTertiary[] = "tertiary";
inline constexpr char kError[] = "error";
// Window-coloured text on a label-coloured button.
inline constexpr char kInverted[] = "inverted";
} // namespace TextRole

// Tags a widget with a role of the theme.
void setRole(QWidget *widget, const char *role);

// Tags a label with a text colour role of the theme; set it before the label
// is first shown.
void setTextRole(QWidget *widget, const char *role);

// The system font at a size in device-independent pixels, so layouts match
// the design's point sizes on every screen density.
QFont font(int pixelSize, QFont::Weight weight = QFont::Normal);

// The system's monospaced font at a size in device-independent pixels.
QFont monospacedFont(int pixelSize);

// A one-pixel horizontal separator line.
QWidget *makeDivider(QWidget *parent);

// A card holding the rows one under the other, a divider between each two:
// the list box of the preview's addresses and of the .env files.
QFrame *makeRowList(const QList<QWidget *> &rows, QWidget *parent);

} // namespace devnook::Kit
