// Every test binary runs in the same surroundings, however it is started (ctest,
// by hand, a debugger): Tokyo time for the date columns and file times, and Qt's
// offscreen platform so that window tests need no display.  Values already set in
// the environment win.
#include <cstdlib>
#include <ctime>

namespace {

struct TestEnvironment {
  TestEnvironment() {
    setenv("TZ", "Asia/Tokyo", 0);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    tzset();
  }
};

const TestEnvironment kTestEnvironment;

}  // namespace
