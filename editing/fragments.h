// The ready-made HTML fragments the toolbar pastes into the page, byte for byte
// (UTF-8, the program's text encoding).
#pragma once

#include <string>
#include <string_view>

namespace inkwell::fragments {

inline constexpr std::string_view kRule = "<HR>";
inline constexpr std::string_view kLineBreak = "<br />";
inline constexpr std::string_view kLink = "<A href=\"http://\">超级链接</A>";
inline constexpr std::string_view kTextField = "<input type=text>";
inline constexpr std::string_view kTextArea = "<textarea name=textarea2></textarea>";
inline constexpr std::string_view kRadioButton = "<INPUT value=V1 CHECKED type=radio name=R1>";
inline constexpr std::string_view kCheckBox = "<INPUT value=ON CHECKED type=checkbox name=C1>";
inline constexpr std::string_view kButton = "<INPUT value=test type=button name=按钮>";
inline constexpr std::string_view kFieldSet = "<FIELDSET ><LEGEND align=left>标题</LEGEND>内容</FIELDSET>";

// A 3 x 3 table of empty cells, 17 lines each ending in CR LF (314 bytes).
inline constexpr std::string_view kTable
    = "<table width=\"200\" border=\"1\" cellspacing=\"1\" cellpadding=\"1\">\r\n"
      "  <tr>\r\n"
      "    <td>&nbsp;</td>\r\n"
      "    <td>&nbsp;</td>\r\n"
      "    <td>&nbsp;</td>\r\n"
      "  </tr>\r\n"
      "  <tr>\r\n"
      "    <td>&nbsp;</td>\r\n"
      "    <td>&nbsp;</td>\r\n"
      "    <td>&nbsp;</td>\r\n"
      "  </tr>\r\n"
      "  <tr>\r\n"
      "    <td>&nbsp;</td>\r\n"
      "    <td>&nbsp;</td>\r\n"
      "    <td>&nbsp;</td>\r\n"
      "  </tr>\r\n"
      "</table>\r\n";

// The image element for a picture reference that is already a valid attribute value
// (see pictureSource), with an empty alt (nothing better is known of a picture the user picks); an
// empty reference gives src="".
[[nodiscard]] std::string imageFragment(std::string_view source);
// The same element shown at width x height logical pixels.
[[nodiscard]] std::string imageFragment(std::string_view source, int width, int height);

} // namespace inkwell::fragments
