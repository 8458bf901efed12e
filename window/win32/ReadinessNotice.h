#pragma once

#include <string>

// Shows `text` in a message box of its own thread, unless it is empty, and returns at once: the
// window's thread goes on dispatching, so the window stays usable behind the box and is not
// disabled as an owner would be. Screen readers read a message box as they always do.
void ShowReadinessNotice(const std::string& text);
