#include "app/timestampname.h"

#include <chrono>

namespace inkwell {

std::string timeStampName()
{
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    return std::to_string(ms);
}

} // namespace inkwell
