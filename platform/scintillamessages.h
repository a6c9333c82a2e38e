// platform/scintillamessages.h: the numbers of the code-editor component's messages and values we use,
// so that callers need not include the component's headers (its adapter checks them against those).
#pragma once

namespace sci {

inline constexpr unsigned SCI_GETLENGTH = 2006;
inline constexpr unsigned SCI_GETSELECTIONSTART = 2143;
inline constexpr unsigned SCI_GETSELECTIONEND = 2145;
inline constexpr unsigned SCI_SCROLLCARET = 2169;
inline constexpr unsigned SCI_REDO = 2011;
inline constexpr unsigned SCI_SELECTALL = 2013;
inline constexpr unsigned SCI_CANREDO = 2016;
inline constexpr unsigned SCI_GETVIEWWS = 2020;
inline constexpr unsigned SCI_SETVIEWWS = 2021;
inline constexpr unsigned SCI_GETEOLMODE = 2030;
inline constexpr unsigned SCI_SETEOLMODE = 2031;
inline constexpr unsigned SCI_SETCODEPAGE = 2037;
inline constexpr unsigned SCI_SETSELFORE = 2067;
inline constexpr unsigned SCI_SETSELBACK = 2068;
inline constexpr unsigned SCI_SETCARETFORE = 2069;
inline constexpr unsigned SCI_SETWHITESPACEFORE = 2084;
inline constexpr unsigned SCI_SETWHITESPACEBACK = 2085;
inline constexpr unsigned SCI_GETCARETLINEVISIBLE = 2095;
inline constexpr unsigned SCI_SETCARETLINEVISIBLE = 2096;
inline constexpr unsigned SCI_GETCARETLINEBACK = 2097;
inline constexpr unsigned SCI_SETCARETLINEBACK = 2098;
inline constexpr unsigned SCI_SETHSCROLLBAR = 2130;
inline constexpr unsigned SCI_GETHSCROLLBAR = 2131;
inline constexpr unsigned SCI_SETINDENTATIONGUIDES = 2132;
inline constexpr unsigned SCI_GETINDENTATIONGUIDES = 2133;
inline constexpr unsigned SCI_GETCODEPAGE = 2137;
inline constexpr unsigned SCI_GETCARETFORE = 2138;
inline constexpr unsigned SCI_GETREADONLY = 2140;
inline constexpr unsigned SCI_SETSEL = 2160;
inline constexpr unsigned SCI_SETREADONLY = 2171;
inline constexpr unsigned SCI_CANPASTE = 2173;
inline constexpr unsigned SCI_CANUNDO = 2174;
inline constexpr unsigned SCI_EMPTYUNDOBUFFER = 2175;
inline constexpr unsigned SCI_UNDO = 2176;
inline constexpr unsigned SCI_CUT = 2177;
inline constexpr unsigned SCI_COPY = 2178;
inline constexpr unsigned SCI_PASTE = 2179;
inline constexpr unsigned SCI_CLEAR = 2180;
inline constexpr unsigned SCI_SETTEXT = 2181;
inline constexpr unsigned SCI_GETTEXT = 2182;
inline constexpr unsigned SCI_SETMARGINWIDTHN = 2242;
inline constexpr unsigned SCI_GETMARGINWIDTHN = 2243;
inline constexpr unsigned SCI_SETWRAPMODE = 2268;
inline constexpr unsigned SCI_GETWRAPMODE = 2269;
inline constexpr unsigned SCI_SETVSCROLLBAR = 2280;
inline constexpr unsigned SCI_GETVSCROLLBAR = 2281;
inline constexpr unsigned SCI_GETVIEWEOL = 2355;
inline constexpr unsigned SCI_SETVIEWEOL = 2356;
inline constexpr unsigned SCI_SETCURSOR = 2386;
inline constexpr unsigned SCI_GETCURSOR = 2387;
inline constexpr unsigned SCI_GETSELECTIONEMPTY = 2650;

inline constexpr long SCWS_INVISIBLE = 0;
inline constexpr long SC_EOL_CRLF = 0;
inline constexpr long SC_CURSORNORMAL = -1;
inline constexpr long SC_IV_NONE = 0;
inline constexpr long SC_WRAP_NONE = 0;
inline constexpr long SC_CP_UTF8 = 65001;

} // namespace sci
