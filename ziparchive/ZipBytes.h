#pragma once
// Little-endian fields of the zip records, read from and written to raw bytes.
#include "platform/Bytes.h"

namespace zipbytes {
using platform::GetU16;
using platform::GetU32;
using platform::PutU16;
using platform::PutU32;
} // namespace zipbytes
