// Linked into every Windows test program: the results go out as they are written, not
// when the program ends (a pipe or a file gets full buffering), so that a program that
// crashes or is killed under Wine still shows each test it began.
#include <cstdio>

namespace {

const int unbufferedOutput = [] {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    return 0;
}();

} // namespace
