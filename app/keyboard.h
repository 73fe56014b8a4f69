// GLUT key callbacks: they only set, clear or toggle fields of the scene.
// Tab, F1 and Esc act at once; every other key but Space, '+', '-' and the arrows does nothing.
#pragma once

void keyboard(unsigned char key, int x, int y);
void keyboardUp(unsigned char key, int x, int y);
void special(int key, int x, int y);
void specialUp(int key, int x, int y);
