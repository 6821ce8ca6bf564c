"""Words as both sides report them, and the one way both are turned into comparable words."""

import re
import unicodedata
from dataclasses import dataclass, replace


@dataclass
class Word:
    text: str
    x: float  # from the left edge of the text area
    y: float
    width: float
    size: float  # px
    bold: bool
    italic: bool
    color: str  # "#rrggbb", or "" when unknown
    glued: bool = False  # continues the previous piece without a blank (a style change mid-word)
    block_start: bool = False  # the first word of a block of its own (browser side only)


def parse_css_color(text):
    """'rgb(1, 2, 3)', 'rgba(...)', '#rgb' or '#rrggbb' as '#rrggbb'; '' for anything else."""
    text = (text or "").strip().lower()
    match = re.fullmatch(r"rgba?\(\s*([\d.]+)[,\s]+([\d.]+)[,\s]+([\d.]+)(?:[,\s/]+[\d.%]+)?\s*\)",
                         text)
    if match:
        return "#" + "".join("%02x" % min(255, round(float(v))) for v in match.groups())
    if re.fullmatch(r"#[0-9a-f]{6}", text):
        return text
    if re.fullmatch(r"#[0-9a-f]{3}", text):
        return "#" + "".join(c * 2 for c in text[1:])
    return ""


def normalise(text):
    """The text a word is aligned by: NFKC, without format characters (word joiners, soft
    hyphens, zero-width spaces: never drawn), case-folded (text-transform changes case only)."""
    text = unicodedata.normalize("NFKC", text)
    return "".join(c for c in text if unicodedata.category(c) != "Cf").casefold()


def join_pieces(pieces):
    """Joins glued pieces into words, then splits on every Unicode blank, so that both sides
    agree on what a word is whoever split a word at a style change or kept a no-break space.
    A joined word takes the style of its longest piece (the first of equals)."""
    groups = []
    for piece in pieces:
        if piece.glued and groups:
            groups[-1].append(piece)
        else:
            groups.append([piece])
    words = []
    for group in groups:
        main = max(group, key=lambda p: len(normalise(p.text)))
        text = normalise("".join(p.text for p in group))
        first = group[0]
        for index, part in enumerate(text.split()):
            words.append(replace(main, text=part, x=first.x if index == 0 else main.x,
                                 y=first.y, glued=False,
                                 block_start=first.block_start and index == 0))
    return words
