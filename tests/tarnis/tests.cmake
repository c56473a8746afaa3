# These tests open the host's OpenGL context.
list(APPEND area_properties LABELS gpu)
