#include "app/scene_state.h"

SceneState scene;
