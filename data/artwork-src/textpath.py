"""Turns a line of text into SVG path data with a font's own outlines, so the
artwork renders the same everywhere without the font installed."""
from fontTools.pens.svgPathPen import SVGPathPen
from fontTools.pens.transformPen import TransformPen
from fontTools.ttLib import TTFont


def text_path(font_file, text, size, x, y, tracking=0.0):
    """Returns (path data, advance width in pixels) for text set at `size`
    pixels with its baseline starting at (x, y); tracking is extra pixels
    between letters."""
    font = TTFont(font_file)
    glyphs = font.getGlyphSet()
    cmap = font.getBestCmap()
    scale = size / font["head"].unitsPerEm
    kern = _kerning(font)
    pen = SVGPathPen(glyphs)
    cursor = 0.0
    prev = None
    for ch in text:
        name = cmap[ord(ch)]
        if prev is not None:
            cursor += kern.get((prev, name), 0)
        tpen = TransformPen(pen, (scale, 0, 0, -scale, x + cursor * scale, y))
        glyphs[name].draw(tpen)
        cursor += glyphs[name].width + tracking / scale
        prev = name
    return pen.getCommands(), cursor * scale - tracking


def _kerning(font):
    pairs = {}
    if "kern" in font:
        for table in font["kern"].kernTables:
            pairs.update(table.kernTable)
    return pairs
