#version 450
// The map passes' vertex shader: the vertex is placed by its texture
// coordinate; c0.xy is the neighbour offset of the normal pass.
layout(location = 0) in vec4 inPosition;
layout(location = 1) in vec2 inTexCoord;
layout(location = 0) out vec2 centre;
layout(location = 1) out vec2 left;
layout(location = 2) out vec2 up;
layout(location = 3) out vec2 right;
layout(location = 4) out vec2 down;
layout(location = 10) out float fog;
layout(set = 0, binding = 0, std140) uniform Vertex { vec4 c0; } vs;
void main()
{
    gl_Position = vec4(inTexCoord.x * 2.0 - 1.0, 1.0 - inTexCoord.y * 2.0, 1.0, 1.0);
    fog = 1.0;
    centre = inTexCoord;
    left = inTexCoord - vec2(vs.c0.x, 0.0);
    up = inTexCoord - vec2(0.0, vs.c0.y);
    right = inTexCoord + vec2(vs.c0.x, 0.0);
    down = inTexCoord + vec2(0.0, vs.c0.y);
}
