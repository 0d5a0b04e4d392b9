// Time from holdClipboard's call until its holder owns the clipboard, median of ROUNDS calls:
// with the holder started on the call, and with one started ahead (as the shortcut's command
// and the provider do), which then only has to take the request. The program stands in for
// sumwise as the holder it starts. Run it through holdclipboard.sh, which gives it a private
// X server.
#include "pasteboard/clipboardholder.h"
#include "pasteboard/pasteboard.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

int main(int argc, char *argv[]) {
    if (argc > 1 && std::strcmp(argv[1], "--hold-clipboard") == 0)
        return clipboardHolderMain(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    for (const bool ahead : {false, true}) {
        std::vector<double> ms;
        for (int i = 0; i < rounds; ++i) {
            if (ahead) {
                prepareClipboardHolder();
                // Long enough for the holder to be loaded and waiting.
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            const auto start = std::chrono::steady_clock::now();
            // Each holder takes the clipboard from the one before, which then ends.
            if (!holdClipboard(PasteboardType::String, QByteArray::number(i))) {
                std::fprintf(stderr, "holdClipboard failed (no X server?)\n");
                return 1;
            }
            ms.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
        }
        std::sort(ms.begin(), ms.end());
        std::printf("holdClipboard, call to ready, %d calls, holder started %s: median %.2f ms, "
                    "min %.2f, max %.2f\n",
                    rounds, ahead ? "ahead" : "on the call", ms[ms.size() / 2], ms.front(),
                    ms.back());
    }
    return 0;
}
