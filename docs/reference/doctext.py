#!/usr/bin/env python3
"""Text for the reference tool, made on the fly from what the programmer reads.

`doctext.py header FILE` turns a family header's plain // comments into reference-tool
comments; `doctext.py mainpage README` turns the README's section "Using it from your program"
into the front page.

The headers keep their comments as the programmer reads them; this filter decides what each
comment documents:
- the block before `#pragma once` describes the file;
- a block right before a declaration documents it, and every declaration that follows it
  without a blank line (one comment for a run of overloads or sibling macros);
- a banner (a line of dashes, or "// ---- Title ----") starts a titled member group; a block
  standing alone (followed by a blank line) adds to the file's description before the first
  banner, to the group's description right after a banner, and else starts a group of its own
  named by its first sentence;
- a comment after a field or enumerator documents that member.
Inside a text, lines indented by two spaces or more are kept as preformatted rows (the
input -> output tables), except "- " items, which stay a list.
"""
import re
import sys

BANNER = re.compile(r"^// -{3,}(?:\s*(.*?)\s*-*)?$")
COMMENT = re.compile(r"^(\s*)//(?: ?(.*))?$")
TRAILING = re.compile(r"^(\s*[^/\s].*?)\s+//\s?(.*)$")
CODE_SPAN = re.compile(r"`([^`]+)`")
SCOPE_END = re.compile(r"^\s*(}|public:|protected:|private:|#pragma|#include)")


def escape(text):
    """Plain text for the tool: its command and markup characters taken literally, quotes as
    entities (the tool would read a quoted text raw), and comment marks split by an empty tag."""
    text = re.sub(r"([\\@<>%&#])", r"\\\1", text).replace('"', "&quot;").replace("--", "\\--")
    text = text.replace("/*", "/<span></span>*").replace("*/", "*<span></span>/")
    return CODE_SPAN.sub(r"<tt>\1</tt>", text)


SENTENCE_END = re.compile(r"(?<![ (]e\.g)(?<![ (]i\.e)(?<=[A-Za-z0-9)\]\"'`])\.(\s|$)")


def with_brief(lines):
    """The text with its first sentence as the brief description, a paragraph of its own: the
    tool's own guess would end it at the first period ("'.' until then", "e.g. ")."""
    for n, line in enumerate(lines):
        if not line.strip() or line.startswith("  "):
            return lines[:n] + [""] + lines[n:] if n else lines
        end = SENTENCE_END.search(line)
        if end:
            rest = line[end.end():].strip()
            return lines[:n] + [line[: end.start() + 1], ""] + ([rest] if rest else []) + lines[n + 1 :]
    return lines


def indentation(line):
    return len(line) - len(line.lstrip())


def render(lines):
    """A comment's text lines as (preformatted?, line) pairs for a documentation block: rows
    indented by two spaces or more stay preformatted, "- " items and their deeper-indented
    continuations form a list, which a blank line ends."""
    out, rows, item = [], False, None
    for line in lines:
        if rows and not (line.strip() and indentation(line) >= 2 and not is_item(line)):
            out[-1] = (True, out[-1][1] + " @endverbatim")
            rows = False
        if is_item(line):
            item = indentation(line)
        elif item is not None and not (line.strip() and indentation(line) > item):
            item = None
            if line.strip():
                out.append((False, ""))
        if item is None and line.strip() and indentation(line) >= 2 and not rows:
            out.append((False, "@verbatim"))
            rows = True
        out.append((rows, line if rows else escape(line)))
    if rows:
        out[-1] = (True, out[-1][1] + " @endverbatim")
    return out


def is_item(line):
    return line.lstrip().startswith("- ")


def block(indent, lines, commands=("@brief",)):
    """A /** */ documentation block opened by the tool's commands (with a brief description: its
    first sentence); preformatted rows go in without the margin, so that the tool keeps them
    exactly."""
    if "@brief" in commands:
        lines = with_brief(lines)
    body = [row if raw else f"{indent} * {row}".rstrip() for raw, row in render(lines)]
    return [f"{indent}/**"] + [f"{indent} * {c}" for c in commands] + body + [f"{indent} */"]


class Header:
    def __init__(self, source):
        self.src = source.split("\n")
        self.out = []
        self.file_doc = []
        self.group_open = False
        self.group_has_members = False
        self.seen_pragma = False

    def comment_at(self, i):
        """The comment block starting at line i: (indent, text lines, index after it)."""
        m = COMMENT.match(self.src[i])
        indent, lines = m.group(1), []
        while i < len(self.src):
            m = COMMENT.match(self.src[i])
            if not m or m.group(1) != indent or BANNER.match(self.src[i].strip()) and lines:
                break
            lines.append(m.group(2) or "")
            i += 1
        return indent, lines, i

    def banner_at(self, i):
        """A banner from line i: (title, text lines, index after it)."""
        title = BANNER.match(self.src[i]).group(1) or ""
        i += 1
        text = []
        while i < len(self.src) and COMMENT.match(self.src[i]):
            if BANNER.match(self.src[i]):
                i += 1
                break
            text.append(COMMENT.match(self.src[i]).group(2) or "")
            i += 1
        if not title and text:
            title = text.pop(0)
        while text and not text[0]:
            text.pop(0)
        return title.strip(), text, i

    def close_group(self):
        """Ends the titled member group that a banner opened."""
        if self.group_open:
            self.out += ["///@}", ""]
        self.group_open = False

    def open_group(self, title, text):
        self.close_group()
        self.out += block("", text, (f"@name {escape(title)}",)) + ["///@{", ""]
        self.group_open, self.group_has_members = True, False

    def declarations_after(self, i, indent):
        """Emits the declarations from line i on that one comment documents; returns the next index."""
        first = i
        while i < len(self.src):
            line = self.src[i]
            if not line.strip() or COMMENT.match(line) or SCOPE_END.match(line):
                return i
            if i != first and line.startswith(indent) and not line.startswith(indent + " "):
                self.out += self.pending
            i = self.declaration(i)
        return i

    def declaration(self, i):
        """Emits one declaration (to its ';' or its opening brace); returns the next index."""
        depth = 0
        while self.src[i].lstrip().startswith("#"):
            self.out.append(self.src[i])
            i += 1
            if not self.out[-1].endswith("\\"):
                return i
        while i < len(self.src):
            line = self.src[i]
            self.out.append(self.trailing(line))
            depth += line.count("(") - line.count(")")
            i += 1
            code = line.split("//")[0].rstrip()
            if depth <= 0 and (code.endswith(";") or code.endswith("{") or code.endswith("}")):
                break
        opens_body = "{" in code and "}" not in code
        if opens_body and not re.search(r"\b(class|struct|enum|namespace)\b", code):
            i = self.function_body(i)
        return i

    def function_body(self, i):
        """Passes an inline function's body through untouched, up to its closing brace."""
        depth = 1
        while i < len(self.src) and depth:
            depth += self.src[i].count("{") - self.src[i].count("}")
            self.out.append(self.src[i])
            i += 1
        return i

    def trailing(self, line):
        """A field's or enumerator's comment after it, as that member's documentation."""
        m = TRAILING.match(line)
        if m and '"' not in m.group(1):
            return f"{m.group(1)} ///< {escape(m.group(2))}"
        return line

    def standalone(self, i):
        """True when the comment block that ends before line i documents no declaration."""
        return i >= len(self.src) or not self.src[i].strip()

    def run(self):
        i = 0
        while i < len(self.src):
            line = self.src[i]
            if BANNER.match(line):
                title, text, i = self.banner_at(i)
                self.open_group(title, text)
                continue
            if COMMENT.match(line):
                indent, text, j = self.comment_at(i)
                if not self.seen_pragma or (self.standalone(j) and not indent):
                    self.loose_text(text)
                    self.out += [""] * (j - i)
                    i = j
                    continue
                self.pending = block(indent, text)
                self.out += self.pending
                self.group_has_members = True
                i = self.declarations_after(j, indent)
                continue
            if line.startswith("#pragma once"):
                self.seen_pragma = True
            if line.startswith("namespace ") or line.startswith("} // namespace"):
                self.close_group()
            self.out.append(self.trailing(line) if line.startswith(" ") else line)
            i += 1
        self.close_group()
        return self.emit()

    def loose_text(self, text):
        """A block that documents no declaration: it describes the file (before the first
        banner), the group just opened, or else a new group named by its first sentence."""
        if not self.seen_pragma or not self.group_open:
            self.file_doc += ([""] if self.file_doc else []) + text
        elif not self.group_has_members:
            self.group_text_append(text)
        else:
            title, rest = re.match(r"([^.:]*)[.:]?\s*(.*)", text[0]).groups()
            self.open_group(title, [rest] + text[1:])

    def group_text_append(self, text):
        end = len(self.out) - 1 - self.out[::-1].index(" */")
        self.out[end:end] = [" *"] + [f" * {row}" if not raw else row for raw, row in render(text)]

    def emit(self):
        head = block("", self.file_doc, ("@file", "@brief"))
        return "\n".join(head + self.out)


def mainpage(readme):
    """The README's section "Using it from your program" as the front page."""
    section = re.search(r"^## (Using it from your program)\n(.*?)(?=^## )", readme, re.M | re.S)
    out = ["/**", f"@mainpage {section.group(1)}"]
    for n, chunk in enumerate(re.split(r"^```.*\n", section.group(2), flags=re.M)):
        code = n % 2 == 1
        prose = re.sub(r"\*\*(.+?)\*\*", r"<b>\1</b>", escape(chunk))
        out.append(f"@code{{.cmake}}\n{chunk}@endcode" if code else prose)
    out.append("Each family header has its page under Files; the classes are listed under Classes.")
    return "\n".join(out + ["*/", ""])


if __name__ == "__main__":
    mode, path = sys.argv[1:3]
    with open(path, encoding="utf-8") as f:
        text = f.read()
    sys.stdout.write(Header(text).run() if mode == "header" else mainpage(text))
