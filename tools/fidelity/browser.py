"""The reference side: a document laid out by headless Chromium.

The document is copied beside itself with two things put first in its <head>: the reader's
settings as user-agent-like defaults (inside :where(), so that every rule of the book wins over
them, as the reader's settings lose to the book's sheets), and collect.js, which writes every
word's place and style into the page. Chromium's DOM dump carries that back.
"""

import base64
import json
import os
import re
import shutil
import subprocess
import tempfile

from words import Word, parse_css_color

HERE = os.path.dirname(os.path.abspath(__file__))
OUT_PATTERN = re.compile(r'<pre id="quirelle-fidelity-out"[^>]*>([A-Za-z0-9+/=\s]*)</pre>')


class Settings:
    """The reader's default settings rows that decide how a page looks without the book's CSS."""

    def __init__(self, horizontal_margin=20, body_font="Arial", body_size=15,
                 heading_sizes=(28, 24, 22, 18), link_color="#ff0000",
                 preformatted_color="#aaaaaa"):
        self.horizontal_margin = horizontal_margin
        self.body_font = body_font
        self.body_size = body_size
        self.heading_sizes = heading_sizes
        self.link_color = link_color
        self.preformatted_color = preformatted_color

    def default_sheet(self):
        # :where() keeps each selector at specificity 0, and coming first in <head> it also loses
        # on order: any rule of the book overrides these, as the reader's settings should.
        margin = self.horizontal_margin
        rules = [
            ":where(body) { font-family: '%s'; font-size: %gpx; margin: 0; "
            "padding-left: %gpx; padding-right: %gpx; }"
            % (self.body_font, self.body_size, margin, margin)
        ]
        for level, size in enumerate(self.heading_sizes, start=1):
            rules.append(":where(h%d) { font-family: '%s'; font-size: %gpx; }"
                         % (level, self.body_font, size))
        rules.append(":where(a:link) { color: %s; text-decoration: underline; }"
                     % self.link_color)
        # The family too: Chromium's monospace default would otherwise shrink the text to 13 px.
        rules.append(":where(pre, code) { font-family: '%s'; color: %s; }"
                     % (self.body_font, self.preformatted_color))
        return "\n".join(rules)


def inject(xhtml, sheet, script):
    """Returns xhtml with the sheet and script first in <head> (a <head> is made if missing)."""
    block = ('<style type="text/css">/*<![CDATA[*/\n%s\n/*]]>*/</style>'
             '<script type="text/javascript">//<![CDATA[\n%s\n//]]></script>' % (sheet, script))
    empty_head = re.compile(r"<head(\s[^>]*)?/>")
    match = empty_head.search(xhtml)
    if match:
        return xhtml[:match.start()] + "<head%s>%s</head>" % (match.group(1) or "", block) + \
            xhtml[match.end():]
    head = re.compile(r"<head(\s[^>]*)?>")
    match = head.search(xhtml)
    if match:
        return xhtml[:match.end()] + block + xhtml[match.end():]
    html = re.compile(r"<html(\s[^>]*)?>")
    match = html.search(xhtml)
    if match:
        return xhtml[:match.end()] + "<head>" + block + "</head>" + xhtml[match.end():]
    return None


class Chromium:
    """Runs headless Chromium, one process per document, each with a profile of its own."""

    def __init__(self, program="chromium", width=800, height=600, settings=None, timeout=60):
        self.program = program
        self.width = width
        self.height = height
        self.settings = settings or Settings()
        self.timeout = timeout
        with open(os.path.join(HERE, "collect.js"), encoding="utf-8") as f:
            self.script = f.read()
        self.window_extra = None  # what the window takes beyond the viewport's height

    def _run(self, url, window_height):
        profile = tempfile.mkdtemp(prefix="fidelity-chromium-")
        try:
            command = [self.program, "--headless=new", "--no-sandbox", "--disable-gpu",
                       "--hide-scrollbars", "--no-first-run", "--mute-audio",
                       "--user-data-dir=" + profile,
                       "--window-size=%d,%d" % (self.width, window_height),
                       "--virtual-time-budget=5000", "--dump-dom", url]
            try:
                done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                      timeout=self.timeout)
            except subprocess.TimeoutExpired:
                return None
            return done.stdout.decode("utf-8", "replace")
        finally:
            shutil.rmtree(profile, ignore_errors=True)

    @staticmethod
    def _result(dump):
        match = OUT_PATTERN.search(dump or "")
        if not match:
            return None
        try:
            return json.loads(base64.b64decode("".join(match.group(1).split())).decode("utf-8"))
        except ValueError:
            return None

    def _calibrate(self, folder):
        # The new headless mode keeps a window frame: the viewport is shorter than the window by a
        # fixed amount, which vh units would see. Measured once on an empty page.
        if self.window_extra is not None:
            return
        self.window_extra = 0
        probe = os.path.join(folder, "fidelity-probe.xhtml")
        with open(probe, "w", encoding="utf-8") as f:
            f.write(inject('<html xmlns="http://www.w3.org/1999/xhtml"><head/><body/></html>',
                           "", self.script))
        result = self._result(self._run("file://" + probe, self.height))
        os.remove(probe)
        if result and "viewport" in result:
            self.window_extra = max(0, self.height - int(result["viewport"]["height"]))

    def layout(self, path):
        """Lays out the XHTML file at path; returns (words, error). Words' x are from the text's
        left edge (the body's content box)."""
        self._calibrate(os.path.dirname(path))
        try:
            with open(path, encoding="utf-8-sig") as f:
                source = f.read()
        except (OSError, UnicodeDecodeError) as error:
            return [], "unreadable: %s" % error
        page = inject(source, self.settings.default_sheet(), self.script)
        if page is None:
            return [], "no <html> element"
        # Beside the original, so that its relative links to sheets and pictures still resolve;
        # the .xhtml name makes Chromium read it as XML, as a reader does.
        copy = path[:-len(os.path.splitext(path)[1])] + ".fidelity.xhtml"
        with open(copy, "w", encoding="utf-8") as f:
            f.write(page)
        try:
            result = self._result(self._run("file://" + copy, self.height + self.window_extra))
        finally:
            os.remove(copy)
        if result is None:
            return [], "no result from the browser (not well-formed XML, or a timeout)"
        if "error" in result:
            return [], "collector failed: %s" % result["error"]
        left = float(result.get("contentLeft", 0))
        pieces = [Word(text=p["text"], x=p["x"] - left, y=p["y"], width=p["width"],
                       size=p["size"], bold=p["weight"] >= 600,
                       italic=p["style"] in ("italic", "oblique") or
                       p["style"].startswith("oblique"),
                       color=parse_css_color(p["color"]), glued=p["glued"],
                       block_start=p["blockStart"]) for p in result.get("pieces", [])]
        return pieces, None
