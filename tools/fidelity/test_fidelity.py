#!/usr/bin/python3
"""Checks of the comparison itself, without a browser or the program:
/usr/bin/python3 tools/fidelity/test_fidelity.py"""

import os
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import browser  # noqa: E402
import cases  # noqa: E402
import compare  # noqa: E402
import quirelle  # noqa: E402
from words import Word, join_pieces, normalise, parse_css_color  # noqa: E402


def word(text, x=0.0, size=15, bold=False, italic=False, color="#000000", glued=False,
         block_start=False):
    return Word(text=text, x=x, y=0, width=10, size=size, bold=bold, italic=italic, color=color,
                glued=glued, block_start=block_start)


class WordsTest(unittest.TestCase):
    def test_colors(self):
        table = [("rgb(255, 0, 0)", "#ff0000"), ("rgba(0, 128, 0, 0.5)", "#008000"),
                 ("rgb(1 2 3 / 50%)", "#010203"), ("#ABC", "#aabbcc"), ("#a1b2c3", "#a1b2c3"),
                 ("red", ""), ("rgb(", ""), ("", "")]
        for given, expected in table:
            self.assertEqual(parse_css_color(given), expected, given)

    def test_normalise_drops_joiners_and_folds(self):
        table = [("word\u2060\u2014word", "word\u2014word"), ("soft\u00adhyphen", "softhyphen"),
                 ("UPPER", "upper"), ("\ufb01ne", "fine")]
        for given, expected in table:
            self.assertEqual(normalise(given), expected, given)

    def test_join_glued_pieces_takes_longest_piece_style(self):
        words = join_pieces([word("Wo", x=5, block_start=True), word("rds", italic=True,
                                                                     glued=True),
                             word("next", x=50)])
        self.assertEqual([(w.text, w.x, w.italic, w.block_start) for w in words],
                         [("words", 5, True, True), ("next", 50, False, False)])

    def test_join_splits_on_no_break_space_and_drops_invisible_words(self):
        words = join_pieces([word("Mr.\u00a0Smith", x=3, block_start=True), word("\u2060")])
        self.assertEqual([(w.text, w.block_start) for w in words],
                         [("mr.", True), ("smith", False)])


class DumpTest(unittest.TestCase):
    def test_parse_dump(self):
        lines = [
            '{"kind":"block","document":0,"x":20}',
            'not json',
            '{"kind":"line","document":0,"x":20,"y":30,"width":100,"height":18,"baseline":14,'
            '"words":[{"text":"Wo","x":20,"y":30,"width":20,"height":18,"family":"Arial",'
            '"size":15,"weight":400,"style":"normal","color":"#000000"},'
            '{"text":"rds","x":40.25,"y":30,"width":25,"height":18,"family":"Arial","size":15,'
            '"weight":700,"style":"italic","color":"#FF0000"},'
            '{"text":"next","x":70,"y":30,"width":30,"height":18,"size":15},'
            '{"x":1}]}',
            '{"kind":"line","words":[{"text":"line2","x":20,"width":5,"size":"big"},'
            '{"text":"ok","x":25,"width":5,"size":15}]}',
        ]
        pieces = quirelle.parse_dump(lines, margin=20)
        self.assertEqual([(p.text, p.x, p.glued, p.bold, p.italic, p.color) for p in pieces],
                         [("Wo", 0, False, False, False, "#000000"),
                          ("rds", 20.25, True, True, True, "#ff0000"),
                          ("next", 50, False, False, False, ""),
                          ("ok", 5, False, False, False, "")])


class CompareTest(unittest.TestCase):
    def check(self, browser_words, reader_words, expected):
        score = compare.compare(browser_words, reader_words)
        got = {"aligned": score.aligned, "all": score.share("all"), "blocks": score.block_share()}
        for measure in compare.MEASURES:
            got[measure] = score.share(measure)
        for key, value in expected.items():
            self.assertEqual(got[key], value, "%s: %s" % (key, got))

    def test_cases(self):
        plain = [word("a", block_start=True), word("b"), word("c", x=40, block_start=True)]
        cases_table = [
            ("identical", plain, plain, {"aligned": 3, "all": 100.0, "blocks": 100.0}),
            ("one bold wrong", plain, [word("a"), word("b", bold=True), word("c", x=40)],
             {"all": 200 / 3, "bold": 200 / 3, "italic": 100.0}),
            ("colour", plain, [word("a"), word("b", color="#ff0000"), word("c", x=40)],
             {"color": 200 / 3, "size": 100.0}),
            # Sizes count relative to each side's median: a reader twice as large agrees.
            ("scaled sizes", plain, [word("a", size=30), word("b", size=30),
                                     word("c", x=40, size=30)], {"size": 100.0}),
            ("one size off", plain, [word("a", size=17), word("b"), word("c", x=40)],
             {"size": 200 / 3}),
            ("block 12 px off passes", plain, [word("a", x=12), word("b"), word("c", x=28)],
             {"blocks": 100.0}),
            ("block 13 px off fails", plain, [word("a", x=13), word("b"), word("c", x=40)],
             {"blocks": 50.0}),
            ("lost block start counts", plain, [word("b"), word("c", x=40)],
             {"aligned": 2, "blocks": 50.0}),
            ("nothing aligned", plain, [word("z")], {"aligned": 0, "all": None, "blocks": 0.0}),
        ]
        for name, ours, theirs, expected in cases_table:
            with self.subTest(name):
                self.check(ours, theirs, expected)


class InjectTest(unittest.TestCase):
    def test_inject_goes_first_in_head(self):
        table = [
            ('<html xmlns="x"><head><link href="a.css"/></head><body/></html>', "<head><style"),
            ('<html xmlns="x"><head lang="en"/><body/></html>', '<head lang="en"><style'),
            ('<html xmlns="x"><body/></html>', '<html xmlns="x"><head><style'),
        ]
        for source, start in table:
            page = browser.inject(source, "p{}", "1;")
            self.assertIn(start, page, source)
            self.assertLess(page.index("<style"), page.index("<body"), source)
        self.assertIsNone(browser.inject("no markup", "", ""))

    def test_default_sheet_is_specificity_zero(self):
        sheet = browser.Settings().default_sheet()
        for line in sheet.splitlines():
            self.assertTrue(line.startswith(":where("), line)
        self.assertIn("padding-left: 20px", sheet)


class CasesTest(unittest.TestCase):
    def test_pack_mimetype_first_and_stored(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "cases.epub")
            names = cases.pack(path)
            with zipfile.ZipFile(path) as book:
                first = book.infolist()[0]
                self.assertEqual((first.filename, first.compress_type),
                                 ("mimetype", zipfile.ZIP_STORED))
                self.assertEqual(book.read("mimetype"), b"application/epub+zip")
                for name in names:
                    self.assertIn("OEBPS/" + name, book.namelist())
        self.assertTrue(names)


if __name__ == "__main__":
    unittest.main()
