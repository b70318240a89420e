#version 450
// Normals from five height samples and the cross products of their edges.
layout(location = 0) in vec2 centre;
layout(location = 1) in vec2 left;
layout(location = 2) in vec2 up;
layout(location = 3) in vec2 right;
layout(location = 4) in vec2 down;
layout(set = 0, binding = 2) uniform sampler2D heightMap;
layout(location = 0) out vec4 color;
vec3 edge(vec2 at, float h0) { return vec3(at - centre, texture(heightMap, at).r - h0); }
void main()
{
    float h0 = texture(heightMap, centre).r;
    vec3 e1 = edge(left, h0), e2 = edge(up, h0), e3 = edge(right, h0), e4 = edge(down, h0);
    vec3 n = cross(e1, e2) + cross(e2, e3) + cross(e3, e4) + cross(e4, e1);
    color = vec4(normalize(n) * 0.5 + 0.5, 1.0);
}
