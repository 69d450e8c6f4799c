// Links win/StaticRuntime.cpp as corvel.exe does, beside a libstdc++ failure helper that it does not stand
// in for (std::stoi's), so the link itself is the first check. Exits 0 when the failures of both still
// arrive as exceptions.
#include <stdexcept>
#include <string>

int main() {
    int caught = 0;
    try {
        std::string text;
        text.reserve(text.max_size() + 1);  // a helper that StaticRuntime.cpp stands in for
    } catch (const std::exception&) {
        ++caught;
    }
    try {
        return std::stoi("no number");  // one of libstdc++'s own
    } catch (const std::invalid_argument&) {
        ++caught;
    }
    return caught == 2 ? 0 : 1;
}
