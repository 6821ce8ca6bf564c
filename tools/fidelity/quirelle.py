"""The side under test: the reader's own layout of a document, from --dump-layout."""

import json
import os
import subprocess
import tempfile

from words import Word, parse_css_color

# Two entries of one line this close are one word split where its style changes: the dump
# rounds to whole pixels, and a blank is wider than a tenth of the font size.
GLUE_GAP = 1.0
GLUE_GAP_EM = 0.1


def reading_order(program, book):
    """The documents of the book as the reader numbers them: a list of hrefs (relative to the
    package document), or None when --info fails."""
    try:
        done = subprocess.run([program, "--info", book], stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, timeout=120)
        info = json.loads(done.stdout.decode("utf-8", "replace"))
    except (OSError, subprocess.TimeoutExpired, ValueError):
        return None, None
    documents = [d.get("href", "") for d in info.get("documents", [])]
    return info.get("rootfile", ""), documents


def parse_dump(lines, margin):
    """The words of a --dump-layout file, in its order; x from the text area's left edge.
    Lines that are not JSON objects, and kinds other than "line", are passed over."""
    pieces = []
    for raw in lines:
        try:
            record = json.loads(raw)
        except ValueError:
            continue
        if not isinstance(record, dict) or record.get("kind") != "line":
            continue
        previous = None
        for entry in record.get("words") or []:
            try:
                x = float(entry["x"])
                width = float(entry.get("width", 0))
                word = Word(text=str(entry["text"]), x=x - margin, y=float(entry.get("y", 0)),
                            width=width, size=float(entry.get("size", 0)),
                            bold=float(entry.get("weight", 400)) >= 600,
                            italic=entry.get("style", "normal") in ("italic", "oblique"),
                            color=parse_css_color(entry.get("color", "")))
            except (KeyError, TypeError, ValueError):
                continue
            word.glued = previous is not None and abs(x - previous) <= max(
                GLUE_GAP, GLUE_GAP_EM * word.size)
            previous = x + width
            pieces.append(word)
    return pieces


def layout(program, book, index, width, height, margin, timeout=120):
    """Runs the reader on document index of book; returns (words, error)."""
    with tempfile.TemporaryDirectory(prefix="fidelity-quirelle-") as folder:
        dump = os.path.join(folder, "layout.jsonl")
        command = [program, "--render-png", os.path.join(folder, "page.png"),
                   "--width", str(width), "--height", str(height), "--page", str(index),
                   "--dump-layout", dump, book]
        try:
            done = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                  timeout=timeout)
        except subprocess.TimeoutExpired:
            return [], "timed out after %d s" % timeout
        except OSError as error:
            return [], str(error)
        if not os.path.exists(dump):
            message = done.stderr.decode("utf-8", "replace").strip().splitlines()
            return [], "no layout dump (exit %d%s)" % (
                done.returncode, ": " + message[-1] if message else "")
        with open(dump, encoding="utf-8", errors="replace") as f:
            return parse_dump(f, margin), None
