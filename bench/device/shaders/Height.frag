#version 450
// Two noise layers added into the height map, the second tiled 16 times.
layout(location = 0) in vec2 centre;
layout(set = 0, binding = 2) uniform sampler2D noise0;
layout(set = 0, binding = 3) uniform sampler2D noise1;
layout(location = 0) out vec4 color;
void main() { color = texture(noise0, centre) + texture(noise1, centre * 16.0) - 0.5; }
