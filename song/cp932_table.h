#pragma once
#include <cstdint>

namespace quorva {

// The Unicode value of the code page 932 double-byte character (lead, trail): Shift-JIS with
// the Windows extensions (NEC and IBM rows). 0 when the pair is no character; the
// user-defined rows (lead bytes 0xF0-0xF9) count as none.
char16_t cp932DoubleByte(uint8_t lead, uint8_t trail);

}  // namespace quorva
