#!/usr/bin/env python3
"""Writes song/cp932_table.cpp: the double-byte characters of code page 932 (Shift-JIS as
Windows extends it) with their Unicode values, from Python's own cp932 codec.

Usage: tools/cp932_table.py > song/cp932_table.cpp
The user-defined rows (lead bytes 0xF0-0xF9, private-use characters) are left out."""

LEADS = list(range(0x81, 0xA0)) + list(range(0xE0, 0xF0)) + list(range(0xFA, 0xFD))
TRAIL_FIRST, TRAIL_LAST = 0x40, 0xFC
PER_LEAD = TRAIL_LAST - TRAIL_FIRST + 1


def unicode_of(lead, trail):
    if trail == 0x7F:
        return 0
    try:
        text = bytes([lead, trail]).decode("cp932")
    except UnicodeDecodeError:
        return 0
    if len(text) != 1 or ord(text) > 0xFFFF:
        return 0
    return ord(text)


def main():
    values = [unicode_of(lead, trail) for lead in LEADS for trail in range(TRAIL_FIRST, TRAIL_LAST + 1)]
    print("// Written by tools/cp932_table.py from Python's cp932 codec; regenerate, do not edit.")
    print('#include "song/cp932_table.h"')
    print()
    print("#include <array>")
    print("#include <cstddef>")
    print()
    print("namespace quorva {")
    print("namespace {")
    print()
    print("// Rows of %d trail bytes (0x%02X..0x%02X), one per lead byte 0x81-0x9F, 0xE0-0xEF, 0xFA-0xFC;"
          % (PER_LEAD, TRAIL_FIRST, TRAIL_LAST))
    print("// 0 where the pair is no character.")
    print("constexpr std::array<uint16_t, %d> table = {" % len(values))
    for start in range(0, len(values), 16):
        print("    " + ", ".join("0x%04X" % v for v in values[start:start + 16]) + ",")
    print("};")
    print()
    print("int rowOf(uint8_t lead)")
    print("{")
    print("    if (lead >= 0x81 && lead <= 0x9F) {")
    print("        return lead - 0x81;")
    print("    }")
    print("    if (lead >= 0xE0 && lead <= 0xEF) {")
    print("        return lead - 0xE0 + 31;")
    print("    }")
    print("    if (lead >= 0xFA && lead <= 0xFC) {")
    print("        return lead - 0xFA + 47;")
    print("    }")
    print("    return -1;")
    print("}")
    print()
    print("}  // namespace")
    print()
    print("char16_t cp932DoubleByte(uint8_t lead, uint8_t trail)")
    print("{")
    print("    const int row = rowOf(lead);")
    print("    if (row < 0 || trail < 0x%02X || trail > 0x%02X) {" % (TRAIL_FIRST, TRAIL_LAST))
    print("        return 0;")
    print("    }")
    print("    return static_cast<char16_t>(table[static_cast<size_t>(row) * %d + (trail - 0x%02X)]);"
          % (PER_LEAD, TRAIL_FIRST))
    print("}")
    print()
    print("}  // namespace quorva")


if __name__ == "__main__":
    main()
