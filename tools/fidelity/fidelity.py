#!/usr/bin/python3
"""How close the reader's pages come to a browser's layout of the same XHTML.

For each document: Chromium lays it out (browser.py), the reader dumps its layout (quirelle.py),
both word lists are aligned by text and their looks compared (compare.py). Prints one row per
document, the worst document per measure, and the goals. The documents are the generated cases
(cases/, packed by cases.py) and a sample of the real books; see --help.

Environment: QUIRELLE (the program), FIDELITY_BOOKS (books: paths or parts of file names,
separated by blanks or commas; "none" for the cases alone), FIDELITY_LIMIT (documents per book;
0 for all).
"""

import argparse
import concurrent.futures
import os
import posixpath
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree
import zipfile

import browser
import cases
import compare
import quirelle
from words import join_pieces

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
BOOKS = os.path.normpath(os.path.join(ROOT, "..", "shared", "books"))
DEFAULT_LIMIT = 6
GOAL_WORDS = 99.5
GOAL_BLOCKS = 95.0


def environment_limit():
    text = os.environ.get("FIDELITY_LIMIT", "").strip()
    try:
        return max(0, int(text)) if text else DEFAULT_LIMIT
    except ValueError:
        print("fidelity: FIDELITY_LIMIT=%s is not a number; using %d" % (text, DEFAULT_LIMIT),
              file=sys.stderr)
        return DEFAULT_LIMIT


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program", default=os.environ.get("QUIRELLE") or
                        os.path.join(ROOT, "build", "quirelle"), help="the reader to test")
    parser.add_argument("--chromium", default="chromium")
    parser.add_argument("--width", type=int, default=800)
    parser.add_argument("--height", type=int, default=600)
    parser.add_argument("--margin", type=float, default=20, help="the reader's horizontal margin")
    parser.add_argument("--books", default=os.environ.get("FIDELITY_BOOKS", ""),
                        help="books to sample (default: every book in %s)" % BOOKS)
    parser.add_argument("--limit", type=int, default=environment_limit(),
                        help="documents per book (0: all; default %d)" % DEFAULT_LIMIT)
    parser.add_argument("--all", action="store_true", help="every document of every book")
    parser.add_argument("--no-cases", action="store_true", help="leave out the generated cases")
    parser.add_argument("--self-check", action="store_true",
                        help="compare the browser with a second run of itself (must score 100 %%)")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("-v", "--verbose", action="store_true",
                        help="show examples of the words that disagree")
    return parser.parse_args()


def choose_books(selection):
    available = sorted(os.path.join(BOOKS, n) for n in os.listdir(BOOKS)
                       if n.endswith(".epub")) if os.path.isdir(BOOKS) else []
    names = selection.replace(",", " ").split()
    if not names:
        return available
    if names == ["none"]:
        return []
    chosen = []
    for name in names:
        if os.path.isfile(name):
            chosen.append(os.path.abspath(name))
        else:
            chosen += [b for b in available if name in os.path.basename(b) and b not in chosen]
    return chosen


def spine_of(folder):
    """The package document's path and its spine's hrefs, read straight from the unpacked book:
    the reading order when the program cannot say (--self-check without a program)."""
    try:
        container = ElementTree.parse(os.path.join(folder, "META-INF", "container.xml"))
        rootfile = next(e.get("full-path") for e in container.iter()
                        if e.tag.endswith("rootfile"))
        package = ElementTree.parse(os.path.join(folder, rootfile))
    except (OSError, ElementTree.ParseError, StopIteration):
        return None, None
    items = {e.get("id"): e.get("href") for e in package.iter() if e.tag.endswith("}item")}
    return rootfile, [items.get(e.get("idref"), "") for e in package.iter()
                      if e.tag.endswith("}itemref")]


class Document:
    def __init__(self, label, book, index, path):
        self.label = label
        self.book = book
        self.index = index
        self.path = path  # the unpacked XHTML file
        self.is_case = False
        self.score = None
        self.error = None


def documents_of(book, label, folder, program, limit):
    """Unpacks book into folder; returns its XHTML documents (up to limit, 0 for all)."""
    try:
        with zipfile.ZipFile(book) as archive:
            for member in archive.namelist():
                # Unpacked by hand: a name that climbs out of the folder is passed over.
                target = os.path.normpath(os.path.join(folder, member))
                if not target.startswith(folder + os.sep) or member.endswith("/"):
                    continue
                os.makedirs(os.path.dirname(target), exist_ok=True)
                with open(target, "wb") as f:
                    f.write(archive.read(member))
    except (OSError, zipfile.BadZipFile) as error:
        print("%s: cannot unpack: %s" % (book, error), file=sys.stderr)
        return []
    rootfile, hrefs = quirelle.reading_order(program, book)
    if not hrefs:
        rootfile, hrefs = spine_of(folder)
    if not hrefs:
        print("%s: no reading order" % book, file=sys.stderr)
        return []
    documents = []
    base = posixpath.dirname(rootfile or "")
    for index, href in enumerate(hrefs):
        path = os.path.join(folder, posixpath.normpath(posixpath.join(base, href.split("#")[0])))
        if not path.endswith((".xhtml", ".html", ".htm")) or not os.path.isfile(path):
            continue
        if limit and len(documents) >= limit:
            break
        documents.append(Document("%s:%d %s" % (label, index, posixpath.basename(href)), book,
                                  index, path))
    return documents


def measure(document, chromium, arguments):
    ours, error = chromium.layout(document.path)
    if error:
        document.error = "browser: " + error
        return document
    if arguments.self_check:
        theirs, error = chromium.layout(document.path)
    else:
        theirs, error = quirelle.layout(arguments.program, document.book, document.index,
                                        arguments.width, arguments.height, arguments.margin)
    if error:
        document.error = ("browser: " if arguments.self_check else "reader: ") + error
        return document
    document.score = compare.compare(join_pieces(ours), join_pieces(theirs))
    return document


def percent(value):
    return "    -" if value is None else "%5.1f" % value


def print_table(documents, arguments):
    header = "%-36s %17s %5s %5s %5s %5s %5s %6s" % (
        "document", "words br/qu/align", "all", "bold", "ital", "color", "size", "blocks")
    print(header)
    print("-" * len(header))
    for d in documents:
        if d.error:
            print("%-36s %s" % (d.label[:36], d.error))
            continue
        s = d.score
        print("%-36s %17s %s %s %s %s %s %6s" % (
            d.label[:36], "%d/%d/%d" % (s.browser_words, s.reader_words, s.aligned),
            percent(s.share("all")), *(percent(s.share(m)) for m in compare.MEASURES),
            percent(s.block_share())))
        if arguments.verbose:
            for measure_name, text, (browser_value, reader_value) in s.misses:
                print("    %-6s %-20s browser %s, reader %s" % (
                    measure_name, text[:20], browser_value, reader_value))


def worst(documents, key):
    scored = [(key(d.score), d.label) for d in documents if d.score and key(d.score) is not None]
    return min(scored) if scored else None


def print_summary(documents):
    print()
    print("worst document per measure:")
    measures = [("words, all agree", lambda s: s.share("all"))]
    measures += [("words, " + m, lambda s, m=m: s.share(m)) for m in compare.MEASURES]
    measures += [("block starts", lambda s: s.block_share()),
                 ("words aligned", lambda s: s.coverage())]
    for name, key in measures:
        found = worst(documents, key)
        print("  %-18s %s" % (name, "-" if found is None else "%5.1f %%  %s" % found))

    def words_ok(d, goal):
        # A document whose text the reader lost altogether has nothing aligned: it fails.
        if d.error:
            return False
        share = d.score.share("all")
        return d.score.browser_words == 0 or (share is not None and share >= goal)

    def blocks_ok(d, goal):
        if d.error:
            return False
        share = d.score.block_share()
        return share is None or share >= goal

    books = [d for d in documents if not d.is_case]
    generated = [d for d in documents if d.is_case]
    print()
    print("goals:")
    goals = [("words >= %.1f %% on every document" % GOAL_WORDS, books,
              lambda d: words_ok(d, GOAL_WORDS)),
             ("block starts >= %.0f %% on every document" % GOAL_BLOCKS, books,
              lambda d: blocks_ok(d, GOAL_BLOCKS)),
             ("generated cases 100 %", generated,
              lambda d: words_ok(d, 100.0) and blocks_ok(d, 100.0))]
    met_all = True
    for name, group, ok in goals:
        if not group:
            continue
        failing = [d for d in group if not ok(d)]
        met_all = met_all and not failing
        print("  %-42s %s" % (name, "met" if not failing else "NOT met: %d of %d documents"
                              % (len(failing), len(group))))
    return met_all


def main():
    arguments = parse_arguments()
    if arguments.all:
        arguments.limit = 0
    if not arguments.self_check and not os.access(arguments.program, os.X_OK):
        print("fidelity: no program at %s (set QUIRELLE or --program)" % arguments.program,
              file=sys.stderr)
        return 1
    started = time.monotonic()
    chromium = browser.Chromium(arguments.chromium, arguments.width, arguments.height,
                                browser.Settings(horizontal_margin=arguments.margin))
    with tempfile.TemporaryDirectory(prefix="fidelity-") as work:
        documents = []
        if not arguments.no_cases:
            cases_book = os.path.join(work, "cases.epub")
            names = cases.pack(cases_book)
            found = [d for d in documents_of(cases_book, "case", os.path.join(work, "cases"),
                                             arguments.program, 0)
                     if os.path.basename(d.path) in names]
            for d in found:
                d.is_case = True
                d.label = "case " + os.path.basename(d.path)[:-6]
            documents += found
        for number, book in enumerate(choose_books(arguments.books)):
            label = os.path.basename(book)[:-5].removeprefix("the-")[:12]
            folder = os.path.join(work, "book%d" % number)
            documents += documents_of(book, label, folder, arguments.program, arguments.limit)
        # Chromium calibrates itself on the first document before the others run beside it.
        if documents:
            measure(documents[0], chromium, arguments)
        with concurrent.futures.ThreadPoolExecutor(max(1, arguments.jobs)) as pool:
            list(pool.map(lambda d: measure(d, chromium, arguments), documents[1:]))
    print("%s against %s, %d px wide" % ("browser" if arguments.self_check else arguments.program,
                                         "a second browser run" if arguments.self_check
                                         else "Chromium", arguments.width))
    print()
    print_table(documents, arguments)
    met = print_summary(documents)
    print()
    print("%d documents in %.0f s" % (len(documents), time.monotonic() - started))
    return 0 if met or not arguments.self_check else 1


if __name__ == "__main__":
    sys.exit(main())
