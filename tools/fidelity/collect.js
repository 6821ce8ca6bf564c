// Injected into each document the browser lays out. Once the page has loaded (and its fonts),
// it lists every word of the body as the browser placed and styled it, and writes the list as
// base64 JSON into a <pre> that browser.py finds in the DOM dump.
//
// A "piece" is a run of non-blank text inside one text node; a piece that continues the word
// before it without a blank (<i>Abb</i>ey) is marked "glued", so that both sides can be joined
// into whole words the same way. Blanks are split on here only as HTML knows them (space, tab,
// line breaks): wider Unicode blanks are left to the Python side, which splits both sides alike.
(function() {
'use strict';
var OUT_ID = 'quirelle-fidelity-out';
var XHTML = 'http://www.w3.org/1999/xhtml';
var SKIPPED = {script: 1, style: 1, noscript: 1, template: 1, title: 1};

// A box that holds lines of its own: the element a word's left edge is measured against.
function isBlockContainer(element) {
    var display = getComputedStyle(element).display;
    if (display === 'inline' || display === 'contents' || display === 'none')
        return false;
    return display.indexOf('ruby') !== 0;
}

function isSkipped(node) {
    for (var e = node.parentElement; e; e = e.parentElement) {
        if (e.namespaceURI !== XHTML)
            return true;  // SVG and MathML belong to the drawing
        if (SKIPPED[e.localName])
            return true;
        if (e.id === OUT_ID)
            return true;
    }
    return false;
}

function blockChain(element, body) {
    var chain = [];
    for (var e = element; e; e = e.parentElement) {
        if (isBlockContainer(e))
            chain.push(e);
        if (e === body)
            break;
    }
    return chain;
}

function collect() {
    var body = document.body;
    var out = {viewport: {width: innerWidth, height: innerHeight}, contentLeft: 0, pieces: []};
    if (!body)
        return out;
    var bodyStyle = getComputedStyle(body);
    out.contentLeft = body.getBoundingClientRect().left + scrollX +
        parseFloat(bodyStyle.borderLeftWidth) + parseFloat(bodyStyle.paddingLeft);

    var pageWidth = innerWidth;
    var touched = new Set();  // block containers whose first word has been seen
    var styles = new Map();
    var previous = null;
    var previousEndedNode = false;  // the last piece ran to the end of its text node
    var walker = document.createTreeWalker(body, NodeFilter.SHOW_TEXT);
    var blank = /[^ \t\n\r\f]+/g;
    for (var node = walker.nextNode(); node; node = walker.nextNode()) {
        if (node.data.length === 0 || isSkipped(node))
            continue;
        var parent = node.parentElement;
        var style = styles.get(parent);
        if (!style) {
            var computed = getComputedStyle(parent);
            style = {
                weight: parseInt(computed.fontWeight, 10) || 400,
                style: computed.fontStyle,
                color: computed.color,
                size: parseFloat(computed.fontSize),
                hidden: computed.visibility !== 'visible',
                chain: blockChain(parent, body)
            };
            styles.set(parent, style);
        }
        var match;
        var sawPiece = false;
        var lastEnd = -1;
        blank.lastIndex = 0;
        while ((match = blank.exec(node.data)) !== null) {
            var range = document.createRange();
            range.setStart(node, match.index);
            range.setEnd(node, match.index + match[0].length);
            var rects = range.getClientRects();
            if (style.hidden || rects.length === 0)
                continue;
            var first = rects[0];
            var last = rects[rects.length - 1];
            if (first.width === 0 && first.height === 0)
                continue;
            // Moved off the page (left: -999em, a huge negative indent): hidden by design.
            if (last.right + scrollX <= 0 || first.left + scrollX >= pageWidth)
                continue;
            var piece = {
                text: match[0],
                x: first.left + scrollX,
                y: first.top + scrollY,
                width: first.width,
                height: first.height,
                right: last.right + scrollX,
                weight: style.weight,
                style: style.style,
                color: style.color,
                size: style.size,
                glued: false,
                blockStart: false
            };
            // Glued: no blank between, and drawn where the previous piece ends on its line
            // (a block or <br> between them would have moved it to another line).
            if (!sawPiece && match.index === 0 && previousEndedNode && previous &&
                Math.abs(piece.x - previous.right) < 1 && piece.y < previous.y + previous.height &&
                previous.y < piece.y + piece.height) {
                piece.glued = true;
            } else {
                for (var i = 0; i < style.chain.length; ++i) {
                    var block = style.chain[i];
                    if (touched.has(block))
                        continue;
                    touched.add(block);
                    if (i === 0)
                        piece.blockStart = true;
                }
            }
            out.pieces.push(piece);
            previous = piece;
            sawPiece = true;
            lastEnd = match.index + match[0].length;
        }
        previousEndedNode = sawPiece ? lastEnd === node.data.length : false;
    }
    return out;
}

function toBase64(text) {
    var bytes = new TextEncoder().encode(text);
    var binary = '';
    for (var i = 0; i < bytes.length; i += 0x8000) {
        binary += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    }
    return btoa(binary);
}

function report() {
    var result;
    try {
        result = collect();
    } catch (error) {
        result = {error: String(error)};
    }
    var pre = document.createElementNS(XHTML, 'pre');
    pre.id = OUT_ID;
    pre.textContent = toBase64(JSON.stringify(result));
    document.documentElement.appendChild(pre);
}

window.addEventListener('load', function() {
    if (document.fonts && document.fonts.ready) {
        document.fonts.ready.then(report, report);
    } else {
        report();
    }
});
})();
