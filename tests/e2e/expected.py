"""The program's values that the end-to-end tests expect, each kept once for all of them."""
import os

WINDOW_TITLE = "Kullerix"
WIDTH, HEIGHT = 800, 600

CLEAR_COLOUR = (0.3, 0.3, 1.0, 0.0)
SKY = tuple(int(255 * c) for c in CLEAR_COLOUR[:3])  # the clear colour in 8-bit channels

SET_UP_STATE = [
    ("glMatrixMode", "GL_MODELVIEW"),
    ("glLoadIdentity",),
    ("glClearColor",) + CLEAR_COLOUR,
    ("glShadeModel", "GL_SMOOTH"),
    ("glMaterialfv", "GL_FRONT", "GL_SPECULAR", [1, 1, 1, 1]),
    ("glMaterialfv", "GL_FRONT", "GL_SHININESS", [50]),
    ("glLightModelfv", "GL_LIGHT_MODEL_AMBIENT", [0.5, 0.5, 0.5, 0.0]),
    ("glLightfv", "GL_LIGHT0", "GL_DIFFUSE", [1, 1, 1, 1]),
    ("glLightfv", "GL_LIGHT0", "GL_SPECULAR", [1, 1, 1, 1]),
    ("glEnable", "GL_LIGHTING"),
    ("glEnable", "GL_LIGHT0"),
    ("glColorMaterial", "GL_FRONT_AND_BACK", "GL_AMBIENT_AND_DIFFUSE"),
    ("glEnable", "GL_COLOR_MATERIAL"),
    ("glEnable", "GL_DEPTH_TEST"),
]

ROOM = [  # (s, t) and (x, y, z) of each polygon's corners: the floor, then the four walls
    [((0, 0), (-30, -2, -30)), ((5, 0), (-30, -2, 30)), ((5, 5), (30, -2, 30)),
     ((0, 5), (30, -2, -30))]] + [
    list(zip([(0, 0), (30, 0), (30, 2), (0, 2)], wall)) for wall in [
        [(-30, -2, -30), (30, -2, -30), (30, 2, -30), (-30, 2, -30)],
        [(30, -2, -30), (30, -2, 30), (30, 2, 30), (30, 2, -30)],
        [(30, -2, 30), (-30, -2, 30), (-30, 2, 30), (30, 2, 30)],
        [(-30, -2, 30), (-30, -2, -30), (-30, 2, -30), (-30, 2, 30)]]]

# The texts as (canvas x, canvas y, scale, text), y counted upwards on the 800 by 600 canvas.
TITLE = (5, 20, 2, "Kullerix")
HINTS = [(120, 450, 2, "Pfeiltasten: Kamera bewegen"), (150, 400, 2, "Space: Kullerix starten"),
         (270, 350, 2, "F1: Hilfe")]
HELP = [(5, 170, 2, "Hilfe"), (10, 140, 1, "Pfeiltasten: Kamera bewegen"),
        (10, 120, 1, "Space: Kullerix in Blickrichtung rollen"),
        (10, 100, 1, "Tabulator: Normal Maps durchschalten"),
        (10, 80, 1, "+,-: Geschwindigkeit erhoehen/verringern")]
FPS = (640, 20, 2)  # where and how large the "%d fps" text is printed
RATE_CORNER = (620, 540, 180, 60)  # window pixels that the frame-rate text lies in
HELP_BLOCK = (5, 425, 420, 100)  # window pixels (left, top, width, height) of the whole help
BALL_SQUARE = (259, 159, 282, 282)  # window pixels that the ball fills in the start view

# The files the program reads, relative to its working directory, from the program's own list.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data",
                       "run_files.txt")) as _list:
    _FILES = {name: paths for name, *paths in
              (line.split() for line in _list if line.strip() and not line.startswith("#"))}
(GLYPH_SHEET,), NORMAL_MAPS = _FILES["glyphSheetFile"], _FILES["normalMapFiles"]
(FLOOR_TEXTURE,), (WALL_TEXTURE,) = _FILES["floorTextureFile"], _FILES["wallTextureFile"]
(VERTEX_SHADER,), (FRAGMENT_SHADER,) = _FILES["vertexShaderFile"], _FILES["fragmentShaderFile"]
BMP_TEXTURES = NORMAL_MAPS + [FLOOR_TEXTURE, WALL_TEXTURE]  # in the order the set-up loads them
