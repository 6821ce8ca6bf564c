"""Aligns the browser's words with the reader's and scores how far their looks agree."""

import difflib
import statistics
from dataclasses import dataclass, field

SIZE_TOLERANCE = 0.05  # relative sizes this close are equal
BLOCK_TOLERANCE = 12.0  # px between the two left edges of a block's first word

MEASURES = ("bold", "italic", "color", "size")


@dataclass
class Score:
    browser_words: int = 0
    reader_words: int = 0
    aligned: int = 0
    agree_all: int = 0
    agree: dict = field(default_factory=lambda: {m: 0 for m in MEASURES})
    block_starts: int = 0  # the browser's block starts
    blocks_placed: int = 0  # ... that the reader has, within BLOCK_TOLERANCE
    misses: list = field(default_factory=list)  # a few examples of each kind, for the reader

    def share(self, measure):
        """Percent of the aligned words agreeing on measure ('all' for every one), or None."""
        if self.aligned == 0:
            return None
        count = self.agree_all if measure == "all" else self.agree[measure]
        return 100.0 * count / self.aligned

    def block_share(self):
        if self.block_starts == 0:
            return None
        return 100.0 * self.blocks_placed / self.block_starts

    def coverage(self):
        if self.browser_words == 0:
            return None
        return 100.0 * self.aligned / self.browser_words


def median_size(words):
    sizes = [w.size for w in words if w.size > 0]
    return statistics.median(sizes) if sizes else 1.0


def align(browser, reader):
    """Pairs (browser word, reader word) of equal text, in order, as difflib finds them."""
    matcher = difflib.SequenceMatcher(None, [w.text for w in browser], [w.text for w in reader],
                                      autojunk=False)
    pairs = []
    for block in matcher.get_matching_blocks():
        for k in range(block.size):
            pairs.append((browser[block.a + k], reader[block.b + k]))
    return pairs


def compare(browser, reader, examples=3):
    """Scores the reader's words against the browser's (both joined by words.join_pieces)."""
    score = Score(browser_words=len(browser), reader_words=len(reader))
    # A block whose first word the reader lost counts as misplaced.
    score.block_starts = sum(1 for w in browser if w.block_start)
    browser_median = median_size(browser)
    reader_median = median_size(reader)
    for ours, theirs in align(browser, reader):
        score.aligned += 1
        ours_relative = ours.size / browser_median
        theirs_relative = theirs.size / reader_median
        agrees = {
            "bold": ours.bold == theirs.bold,
            "italic": ours.italic == theirs.italic,
            "color": ours.color == theirs.color,
            "size": abs(theirs_relative - ours_relative) <= SIZE_TOLERANCE * ours_relative,
        }
        for measure, ok in agrees.items():
            if ok:
                score.agree[measure] += 1
            elif sum(1 for m in score.misses if m[0] == measure) < examples:
                detail = {
                    "bold": (ours.bold, theirs.bold),
                    "italic": (ours.italic, theirs.italic),
                    "color": (ours.color, theirs.color),
                    "size": ("%.2f" % ours_relative, "%.2f" % theirs_relative),
                }[measure]
                score.misses.append((measure, ours.text, detail))
        if all(agrees.values()):
            score.agree_all += 1
        if ours.block_start:
            if abs(ours.x - theirs.x) <= BLOCK_TOLERANCE:
                score.blocks_placed += 1
            elif sum(1 for m in score.misses if m[0] == "block") < examples:
                score.misses.append(("block", ours.text, ("%.0f" % ours.x, "%.0f" % theirs.x)))
    return score
