#pragma once

#include <string>
#include <string_view>

#include "devcon/Output.h"

// Output kept in a string, for the tests to compare.
struct StringOutput : Output {
    std::string text;
    void Write(std::string_view written) override { text.append(written); }
};
