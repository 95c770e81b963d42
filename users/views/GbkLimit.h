#pragma once
// Limits what a line edit takes to a number of GBK bytes, the way the user file counts them.
#include <cstddef>

class QLineEdit;

void LimitGbkInput(QLineEdit* edit, std::size_t maxBytes);
