#include "document/blankpage.h"

namespace inkwell {

std::string_view blankPage()
{
    static constexpr std::string_view page
        = "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
          "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
          "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n"
          "<head>\r\n"
          "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />\r\n"
          "<title>无标题文档</title>\r\n"
          "</head>\r\n"
          "\r\n"
          "<body>\r\n"
          "</body>\r\n"
          "</html>";
    return page;
}

} // namespace inkwell
