// Linked into every test program: the environment the tests expect, unless the caller set
// it already. SDL runs on its dummy drivers; the built programs and data files are found
// through QUORVA_BIN_DIR and the repository through QUORVA_SOURCE_DIR.
#include <cstdlib>

namespace {

struct TestEnvironment {
    TestEnvironment()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        setenv("QUORVA_BIN_DIR", QUORVA_TEST_BIN_DIR, 0);
        setenv("QUORVA_SOURCE_DIR", QUORVA_TEST_SOURCE_DIR, 0);
    }
};

const TestEnvironment environment;

}  // namespace
