#ifndef ZAR_APP_BUILD_STAMP_H_
#define ZAR_APP_BUILD_STAMP_H_

namespace zar {

// The date and time this program was built, as "Dec  9 2013 10:31:44".
// The build recompiles it whenever it relinks the program, so the stamp never
// lags behind the code. Never null.
const char* BuildStamp();

}  // namespace zar

#endif  // ZAR_APP_BUILD_STAMP_H_
