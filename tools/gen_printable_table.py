#!/usr/bin/env python3
"""Writes text/printable_table.cpp, the bit table behind text::is_printable.

The table is built from UnicodeData.txt of one pinned Unicode version
(UNICODE_VERSION below). On Debian the file comes with the `unicode-data`
package at /usr/share/unicode/UnicodeData.txt.

A code point is printable unless its general category is Cc, Cf, Cs, Co, Cn,
Zl or Zp, or it is a space separator (Zs) other than U+0020. Code points that
UnicodeData.txt does not list are unassigned (Cn). A pair of lines named
"<..., First>" and "<..., Last>" stands for every code point between them.

The code space U+0000..U+10FFFF is cut into blocks of 256 code points. Each
block's 256 bits (one per code point, set when printable) are stored once per
distinct pattern; a first-level array gives, for every block, the number of
its pattern. Before anything is written, the compressed table is expanded
again and compared with the parsed data for every code point.

Usage:
  gen_printable_table.py [--data PATH] [--output PATH]
      Writes the table to PATH, or to standard output.
  gen_printable_table.py [--data PATH] --check FILE
      Regenerates the table and compares it with FILE byte for byte.
      Exit status 0 when equal, 1 when not, 77 (skipped) when the data file
      is missing or is not of the pinned version.

Any other failure (malformed data, a failed self-check) exits with status 2.
"""

import argparse
import difflib
import os
import sys

# The Unicode version the committed table is built from. Changing it means
# regenerating text/printable_table.cpp and updating VERSION_PROBES.
UNICODE_VERSION = "15.0.0"

DEFAULT_DATA = "/usr/share/unicode/UnicodeData.txt"

# UnicodeData.txt carries no version line, so the version is told by code
# points that were assigned in it and by ones assigned only after it.
VERSION_PROBES = {
    0x1FAE8: True,   # SHAKING FACE, new in 15.0
    0x31350: True,   # first of CJK Unified Ideographs Extension H, new in 15.0
    0x2FFC: False,   # IDEOGRAPHIC DESCRIPTION CHARACTER SURROUND FROM RIGHT, new in 15.1
    0x2EBF0: False,  # first of CJK Unified Ideographs Extension I, new in 15.1
}

CODE_SPACE = 0x110000
BLOCK_BITS = 256
WORD_BITS = 64
WORDS_PER_BLOCK = BLOCK_BITS // WORD_BITS
BLOCK_COUNT = CODE_SPACE // BLOCK_BITS
MAX_PATTERNS = 256  # the first-level array holds std::uint8_t

GENERAL_CATEGORIES = {
    "Lu", "Ll", "Lt", "Lm", "Lo",
    "Mn", "Mc", "Me",
    "Nd", "Nl", "No",
    "Pc", "Pd", "Ps", "Pe", "Pi", "Pf", "Po",
    "Sm", "Sc", "Sk", "So",
    "Zs", "Zl", "Zp",
    "Cc", "Cf", "Cs", "Co", "Cn",
}
NON_PRINTABLE_CATEGORIES = {"Cc", "Cf", "Cs", "Co", "Cn", "Zl", "Zp"}

EXIT_MISMATCH = 1
EXIT_FAILURE = 2
EXIT_SKIPPED = 77


class DataError(Exception):
    pass


class VersionError(Exception):
    pass


def printable(code_point, category):
    if category in NON_PRINTABLE_CATEGORIES:
        return False
    if category == "Zs":
        return code_point == 0x20
    return True


def parse_unicode_data(path):
    """Returns (printable, assigned): two bytearrays of CODE_SPACE entries."""
    printable_bits = bytearray(CODE_SPACE)
    assigned = bytearray(CODE_SPACE)
    previous = -1
    range_start = None  # (code point, name, category) of a pending "First" line

    with open(path, encoding="utf-8") as data:
        for line_number, line in enumerate(data, start=1):
            line = line.rstrip("\n")
            if not line:
                continue
            where = f"{path}:{line_number}"
            fields = line.split(";")
            if len(fields) != 15:
                raise DataError(f"{where}: expected 15 fields, found {len(fields)}")
            try:
                code_point = int(fields[0], 16)
            except ValueError:
                raise DataError(f"{where}: bad code point {fields[0]!r}") from None
            name, category = fields[1], fields[2]
            if not 0 <= code_point < CODE_SPACE:
                raise DataError(f"{where}: code point {fields[0]} out of range")
            if code_point <= previous:
                raise DataError(f"{where}: code point {fields[0]} out of order")
            if category not in GENERAL_CATEGORIES:
                raise DataError(f"{where}: unknown general category {category!r}")
            previous = code_point

            if range_start is not None:
                start, start_name, start_category = range_start
                range_start = None
                if not name.endswith(", Last>"):
                    raise DataError(f"{where}: {start_name} is not followed by its Last line")
                if name[: -len(", Last>")] != start_name[: -len(", First>")]:
                    raise DataError(f"{where}: {name} does not close {start_name}")
                if category != start_category:
                    raise DataError(f"{where}: {name} has category {category}, "
                                    f"its First line {start_category}")
                first = start
            elif name.endswith(", First>"):
                range_start = (code_point, name, category)
                continue
            elif name.endswith(", Last>"):
                raise DataError(f"{where}: {name} without a First line")
            else:
                first = code_point

            value = 1 if printable(code_point, category) else 0
            for c in range(first, code_point + 1):
                printable_bits[c] = value
                assigned[c] = 1

    if range_start is not None:
        raise DataError(f"{path}: {range_start[1]} is not followed by its Last line")
    return printable_bits, assigned


def check_version(assigned):
    for code_point, expected in VERSION_PROBES.items():
        if bool(assigned[code_point]) != expected:
            state = "unassigned" if expected else "assigned"
            raise VersionError(f"U+{code_point:04X} is {state}, "
                               f"so the data is not Unicode {UNICODE_VERSION}")


def block_words(printable_bits, block):
    base = block * BLOCK_BITS
    words = []
    for w in range(WORDS_PER_BLOCK):
        word = 0
        start = base + w * WORD_BITS
        for bit in range(WORD_BITS):
            if printable_bits[start + bit]:
                word |= 1 << bit
        words.append(word)
    return tuple(words)


def compress(printable_bits):
    """Returns (index, patterns): a pattern number per block and the patterns."""
    zero = (0,) * WORDS_PER_BLOCK
    numbers = {zero: 0}  # pattern 0 is "nothing printable"
    patterns = [zero]
    index = []
    for block in range(BLOCK_COUNT):
        words = block_words(printable_bits, block)
        number = numbers.get(words)
        if number is None:
            number = len(patterns)
            numbers[words] = number
            patterns.append(words)
        index.append(number)
    if len(patterns) > MAX_PATTERNS:
        raise DataError(f"{len(patterns)} distinct blocks do not fit a one-byte index")
    return index, patterns


def self_check(index, patterns, printable_bits):
    """Expands the compressed table and compares it with the parsed data."""
    if len(index) != BLOCK_COUNT:
        raise DataError(f"first level has {len(index)} entries, not {BLOCK_COUNT}")
    for code_point in range(CODE_SPACE):
        words = patterns[index[code_point // BLOCK_BITS]]
        word = words[(code_point % BLOCK_BITS) // WORD_BITS]
        bit = (word >> (code_point % WORD_BITS)) & 1
        if bit != printable_bits[code_point]:
            raise DataError(f"self-check failed at U+{code_point:04X}: table says "
                            f"{bit}, data says {printable_bits[code_point]}")


def render(index, patterns):
    out = []
    emit = out.append
    emit(f"// generated by tools/gen_printable_table.py from UnicodeData.txt "
         f"{UNICODE_VERSION} - do not edit")
    emit("//")
    emit("// Which code points text::is_printable accepts, as a two-level bit table;")
    emit("// see text/printable_table.h for the layout.")
    emit('#include "text/printable_table.h"')
    emit("")
    emit("#include <array>")
    emit("#include <cstdint>")
    emit("")
    emit("namespace text::detail {")
    emit("")
    emit("const std::array<std::uint8_t, printable_block_count> printable_block_index = {{")
    per_line = 16
    for start in range(0, len(index), per_line):
        entries = ", ".join(str(n) for n in index[start:start + per_line])
        emit(f"    {entries},  // U+{start * BLOCK_BITS:04X}")
    emit("}};")
    emit("")
    emit(f"const std::uint64_t printable_bits[{len(patterns)} * printable_words_per_block] = {{")
    for number, words in enumerate(patterns):
        entries = ", ".join(f"0x{word:016x}" for word in words)
        emit(f"    {entries},  // {number}")
    emit("};")
    emit("")
    emit("}  // namespace text::detail")
    return "\n".join(out) + "\n"


def generate(data_path):
    printable_bits, assigned = parse_unicode_data(data_path)
    check_version(assigned)
    index, patterns = compress(printable_bits)
    self_check(index, patterns, printable_bits)
    return render(index, patterns), len(patterns)


def run_check(data_path, committed_path, text):
    try:
        with open(committed_path, "rb") as committed:
            old = committed.read()
    except OSError as error:
        print(f"{committed_path}: {error.strerror}", file=sys.stderr)
        return EXIT_MISMATCH
    new = text.encode("ascii")
    if old == new:
        print(f"{committed_path} matches the table generated from {data_path}")
        return 0
    print(f"{committed_path} differs from the table generated from {data_path}; "
          f"regenerate it with tools/gen_printable_table.py --output {committed_path}",
          file=sys.stderr)
    diff = difflib.unified_diff(
        old.decode("ascii", errors="replace").splitlines(),
        text.splitlines(),
        fromfile=committed_path, tofile="generated", lineterm="", n=1)
    for count, line in enumerate(diff):
        if count == 40:
            print("...", file=sys.stderr)
            break
        print(line, file=sys.stderr)
    return EXIT_MISMATCH


def main(argv):
    parser = argparse.ArgumentParser(
        description=f"Generate the printable-character table from UnicodeData.txt "
                    f"{UNICODE_VERSION}.")
    parser.add_argument("--data", default=DEFAULT_DATA,
                        help=f"path of UnicodeData.txt (default {DEFAULT_DATA})")
    mode = parser.add_mutually_exclusive_group()
    mode.add_argument("--output", help="file to write (default: standard output)")
    mode.add_argument("--check", metavar="FILE",
                      help="compare FILE with the generated table instead of writing it")
    args = parser.parse_args(argv)

    if not os.path.isfile(args.data):
        message = f"{args.data} not found"
        if args.check:
            print(f"skipped: {message}")
            return EXIT_SKIPPED
        print(message, file=sys.stderr)
        return EXIT_FAILURE

    try:
        text, pattern_count = generate(args.data)
    except VersionError as error:
        if args.check:
            print(f"skipped: {args.data}: {error}")
            return EXIT_SKIPPED
        print(f"{args.data}: {error}", file=sys.stderr)
        return EXIT_FAILURE
    except (DataError, OSError, UnicodeDecodeError) as error:
        print(f"{error}", file=sys.stderr)
        return EXIT_FAILURE

    if args.check:
        return run_check(args.data, args.check, text)
    if args.output:
        with open(args.output, "w", encoding="ascii", newline="\n") as output:
            output.write(text)
        print(f"wrote {args.output}: {BLOCK_COUNT} blocks, {pattern_count} distinct",
              file=sys.stderr)
    else:
        sys.stdout.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
