#!/usr/bin/env python3
"""Turns a terminal capture with colour sequences into an HTML page.

The input is what `tmux capture-pane -e -p` prints: lines of text with
SGR escape sequences (ESC [ ... m). The page shows them as a terminal
window with a dark theme, sized to the text, ready for a browser's
screenshot. Understood: reset (0), bold (1) and its end (22), foreground
30-37, 39 and 90-97, background 40-47, 49 and 100-107. Bold makes the
eight basic foreground colours bright, as most terminals do. Other
sequences are dropped.

Usage:
  ansi_to_html.py [--title TEXT] < capture.txt > page.html
  ansi_to_html.py --size < capture.txt     # prints WIDTH,HEIGHT in pixels
"""

import argparse
import html
import re
import sys

FONT_SIZE = 15  # px
LINE_HEIGHT = 19  # px
CELL_WIDTH = 0.61 * FONT_SIZE  # a little over DejaVu Sans Mono's advance
PADDING = 14  # px around the text
TITLE_HEIGHT = 28  # px

DEFAULT_FOREGROUND = "#d3d7cf"
DEFAULT_BACKGROUND = "#232729"
# Black, red, green, yellow, blue, magenta, cyan, white; then the bright ones.
PALETTE = [
    "#232729", "#c9281f", "#4e9a06", "#c4a000", "#3465a4", "#75507b", "#06989a", "#d3d7cf",
    "#606a6d", "#ef4a3f", "#8ae234", "#fce94f", "#729fcf", "#ad7fa8", "#34e2e2", "#f4f4f2",
]

CSI = re.compile(r"\x1b\[([0-9;?]*)([@-~])")


class Style:
    def __init__(self):
        self.bold = False
        self.foreground = None  # palette index 0-15, or None for the default
        self.background = None

    def key(self):
        return (self.bold, self.foreground, self.background)

    def apply(self, parameters):
        codes = [int(code) if code else 0 for code in parameters.split(";")] if parameters else [0]
        index = 0
        while index < len(codes):
            code = codes[index]
            if code == 0:
                self.__init__()
            elif code == 1:
                self.bold = True
            elif code == 22:
                self.bold = False
            elif 30 <= code <= 37:
                self.foreground = code - 30
            elif code == 39:
                self.foreground = None
            elif 90 <= code <= 97:
                self.foreground = code - 90 + 8
            elif 40 <= code <= 47:
                self.background = code - 40
            elif code == 49:
                self.background = None
            elif 100 <= code <= 107:
                self.background = code - 100 + 8
            elif code in (38, 48) and index + 1 < len(codes):
                # 256-colour and true-colour forms: skip their arguments.
                index += 2 if codes[index + 1] == 5 else 4
            index += 1


def css(key):
    bold, foreground, background = key
    rules = []
    if foreground is not None:
        shown = foreground + 8 if bold and foreground < 8 else foreground
        rules.append("color:" + PALETTE[shown])
    elif bold:
        rules.append("color:" + PALETTE[15])
    if background is not None:
        rules.append("background:" + PALETTE[background])
    if bold:
        rules.append("font-weight:bold")
    return ";".join(rules)


def convert_line(line, style):
    """Returns the HTML of one line and its width in cells."""
    pieces = []
    text = []
    width = 0
    current = style.key()

    def close_run():
        if text:
            escaped = html.escape("".join(text), quote=False)
            rules = css(current)
            pieces.append('<span style="%s">%s</span>' % (rules, escaped) if rules else escaped)
            text.clear()

    position = 0
    while position < len(line):
        match = CSI.match(line, position)
        if match:
            if match.group(2) == "m":
                style.apply(match.group(1))
                if style.key() != current:
                    close_run()
                    current = style.key()
            position = match.end()
            continue
        character = line[position]
        position += 1
        if character == "\t":
            spaces = 8 - width % 8
            text.append(" " * spaces)
            width += spaces
        elif character >= " " and character != "\x7f":
            text.append(character)
            width += 1
    close_run()
    return "".join(pieces), width


def convert(capture):
    lines = capture.split("\n")
    while lines and not CSI.sub("", lines[-1]).strip():
        lines.pop()
    style = Style()
    converted = []
    columns = 0
    for line in lines:
        markup, width = convert_line(line, style)
        converted.append(markup)
        columns = max(columns, width)
    return converted, columns


def page_size(rows, columns):
    width = int(columns * CELL_WIDTH + 2 * PADDING + 0.999)
    height = rows * LINE_HEIGHT + 2 * PADDING + TITLE_HEIGHT
    return width, height


def page(lines, columns, title):
    width, height = page_size(len(lines), columns)
    return f"""<!DOCTYPE html>
<html lang="pl">
<head>
<meta charset="utf-8">
<title>{html.escape(title)}</title>
<style>
  html, body {{ margin: 0; width: {width}px; height: {height}px; overflow: hidden;
               background: {DEFAULT_BACKGROUND}; }}
  .title {{ height: {TITLE_HEIGHT}px; line-height: {TITLE_HEIGHT}px; text-align: center;
            background: #3a3f41; color: #c8cccc; font: 13px "DejaVu Sans", sans-serif; }}
  pre {{ margin: 0; padding: {PADDING}px; color: {DEFAULT_FOREGROUND};
         font: {FONT_SIZE}px/{LINE_HEIGHT}px "DejaVu Sans Mono", monospace; }}
</style>
</head>
<body>
<div class="title">{html.escape(title)}</div>
<pre>{chr(10).join(lines)}</pre>
</body>
</html>
"""


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--title", default="", help="the text in the window's title bar")
    parser.add_argument("--size", action="store_true", help="print the page's WIDTH,HEIGHT in pixels")
    arguments = parser.parse_args()
    capture = sys.stdin.buffer.read().decode("utf-8", errors="replace")
    lines, columns = convert(capture)
    if arguments.size:
        print("%d,%d" % page_size(len(lines), columns))
    else:
        sys.stdout.buffer.write(page(lines, columns, arguments.title).encode("utf-8"))


if __name__ == "__main__":
    main()
