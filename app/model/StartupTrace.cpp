#include "app/model/StartupTrace.h"

#include "platform/Process.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

void TraceFirstDecode() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (!std::getenv("VTL_TRACE"))
            return;
        const double age = plat::SecondsSinceProcessStart();
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        std::fprintf(stderr, "vtl trace: first_decode_ms=%.1f realtime=%lld.%06ld\n", age * 1000,
                     static_cast<long long>(now.tv_sec), now.tv_nsec / 1000);
    });
}
