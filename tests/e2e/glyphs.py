"""The program's texts picked out of a screenshot: white glyphs inside a dark rim, on any ground."""


def glyphs_only(image, box, bright=128, dark=100):
    """The darkest channel of a box of a screenshot with every bright patch but the glyphs put
    out, as 8-bit grey rows.

    The glyphs are white inside a dark rim. A bright patch is a glyph when most of its outline
    is dark (looking up to two pixels out, past the rim's soft edge), it keeps off the box's
    edge and it is no larger than a glyph; the ball's highlight and glints, the sky and the
    mortar between the bricks are not.
    """
    x0, y0, w, h = box
    w, h = min(w, image.width - x0), min(h, image.height - y0)
    grey = bytearray(min(image.data[i:i + 3]) for j in range(h)
                     for i in range(3 * ((y0 + j) * image.width + x0),
                                    3 * ((y0 + j) * image.width + x0 + w), 3))
    seen = bytearray(w * h)
    for start in range(w * h):
        if seen[start] or grey[start] < bright:
            continue
        seen[start] = 1
        stack, patch, outline, dark_outline, at_edge = [start], [], 0, 0, False
        while stack:
            p = stack.pop()
            patch.append(p)
            for di, dj in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                i, j = p % w + di, p // w + dj
                if not (0 <= i < w and 0 <= j < h):
                    at_edge = True
                elif grey[j * w + i] >= bright:
                    if not seen[j * w + i]:
                        seen[j * w + i] = 1
                        stack.append(j * w + i)
                else:
                    inside = 0 <= i + di < w and 0 <= j + dj < h
                    beyond = grey[(j + dj) * w + i + di] if inside else 255
                    outline += 1
                    dark_outline += min(grey[j * w + i], beyond) <= dark
        if at_edge or len(patch) > 32 * 32 or dark_outline < 0.75 * outline:
            for p in patch:
                grey[p] = 0
    return w, h, bytes(grey)
