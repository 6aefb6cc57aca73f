#include "app/build_stamp.h"

namespace zar {

// The compiler's own date and time, which honour SOURCE_DATE_EPOCH for a
// reproducible build.
const char* BuildStamp() { return __DATE__ " " __TIME__; }

}  // namespace zar
