#version 450
// The strip benchmark's pixel shader: the texture coordinate as a colour, so
// the shader path does per-pixel work comparable to the fixed-function one.
layout(location = 0) in vec2 centre;
layout(location = 0) out vec4 color;
void main() { color = vec4(centre, 0.5, 1.0); }
