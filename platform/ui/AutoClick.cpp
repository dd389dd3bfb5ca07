#include "platform/ui/AutoClick.h"

#include <cstdlib>
#include <deque>
#include <mutex>

namespace plat {
namespace {

struct Names {
    std::mutex lock;
    bool loaded = false;
    std::deque<std::string> queue;
};

Names& TheNames() {
    static Names names;
    return names;
}

std::deque<std::string> Split(const std::string& list) {
    std::deque<std::string> names;
    std::string::size_type start = 0;
    while (true) {
        const std::string::size_type comma = list.find(',', start);
        std::string name = list.substr(start, comma - start);
        const auto first = name.find_first_not_of(" \t");
        const auto last = name.find_last_not_of(" \t");
        names.push_back(first == std::string::npos ? std::string()
                                                   : name.substr(first, last - first + 1));
        if (comma == std::string::npos)
            return names;
        start = comma + 1;
    }
}

} // namespace

std::optional<std::string> TakeAutoClick() {
    Names& names = TheNames();
    const std::lock_guard<std::mutex> hold(names.lock);
    if (!names.loaded) {
        names.loaded = true;
        if (const char* list = std::getenv("VTL_AUTOCLICK"))
            names.queue = Split(list);
    }
    if (names.queue.empty())
        return std::nullopt;
    std::string name = std::move(names.queue.front());
    names.queue.pop_front();
    return name;
}

void SetAutoClick(const std::string& list) {
    Names& names = TheNames();
    const std::lock_guard<std::mutex> hold(names.lock);
    names.loaded = true;
    names.queue = list.empty() ? std::deque<std::string>() : Split(list);
}

} // namespace plat
