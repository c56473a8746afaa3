# These tests open the host's OpenGL context (skipped without EGL, failed
# under CI).
list(APPEND area_properties LABELS gpu)
target_link_libraries(${target} PRIVATE selvane)
