#include "app/Dispatcher.h"
#include "util/Strings.h"

#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::u16string> args;
    args.reserve(static_cast<size_t>(argc));
    for (int i = 0; i < argc; ++i)
        args.push_back(tavo::wideFromUtf8(argv[i]));
    return tavo::dispatch(args);
}
