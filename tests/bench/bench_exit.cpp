// How soon the run's end gives the desktop back while the feed thread waits on a server
// that never answers: the full-screen saver is started, a key pressed once its request has
// reached the server, and the time until the saver's window is hidden, and until its
// process has ended, printed per run with the medians. Run by tools/bench-globe.sh under
// Wine (ZARVANE_SCR names the saver); the argument is the number of runs (5).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "harness.h"
#include "http_server.h"

using namespace e2e;

namespace {

constexpr DWORD kFetchUnderWayMs = 500; // the thread sits in its wait by then

double MillisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now = {}, frequency = {};
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    TestHttpServer server({200, "Never sent\n", ReplyManner::Never});
    ProfileSection profile;
    profile.Set("Internet", 1);
    profile.Set("ShowDetails", 1);
    profile.Set("Alternate", 1);
    profile.Set("AlternateHost", server.HostText().c_str());
    profile.Set("Direct", 1);
    std::vector<double> hidden, ended;
    for (int run = 1; run <= runs; ++run) {
        MoveMouseTo(20, 20);
        SaverProcess saver("/s");
        HWND window = WaitForSaverWindow(saver);
        if (window == nullptr ||
            !WaitUntil([&] { return server.RequestCount() >= run; }, kStartTimeoutMs)) {
            std::fprintf(stderr, "run %d: no saver window or no request\n", run);
            return 1;
        }
        Pause(kFetchUnderWayMs);
        LARGE_INTEGER start = {};
        ::QueryPerformanceCounter(&start);
        PressKey(VK_SPACE);
        while (::IsWindowVisible(window) && MillisecondsSince(start) < kExitTimeoutMs) {
            ::Sleep(1);
        }
        hidden.push_back(MillisecondsSince(start));
        saver.WaitForExit();
        ended.push_back(MillisecondsSince(start));
        std::printf("run %d: window hidden %.1f ms, process ended %.1f ms after the key\n", run,
                    hidden.back(), ended.back());
    }
    std::printf("median: window hidden %.1f ms, process ended %.1f ms after the key\n",
                Median(hidden), Median(ended));
    return 0;
}
