#pragma once

// Before the QApplication is created: which of Qt's platforms to start on, unless the user chose
// one.
void ChoosePlatform();
