#include "Projection.h"

#include <algorithm>
#include <cmath>

namespace swellkit::view
{
namespace
{

Vec3 Sub(Vec3 a, Vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vec3 Cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 Normalize(Vec3 a)
{
    const float length = std::sqrt(Dot(a, a));
    return {a.x / length, a.y / length, a.z / length};
}

} // namespace

Mat4 LookAtPerspective(Vec3 eye, Vec3 at, float fovY, float aspect, float zNear, float zFar)
{
    const Vec3 z = Normalize(Sub(at, eye));
    const Vec3 x = Normalize(Cross({0, 1, 0}, z));
    const Vec3 y = Cross(z, x);
    const float yScale = 1.0f / std::tan(fovY / 2);
    const float xScale = yScale / aspect;
    const float zScale = zFar / (zFar - zNear);
    Mat4 r{};
    const Vec3 axes[3] = {x, y, z};
    const float scales[3] = {xScale, yScale, zScale};
    for (int row = 0; row < 3; ++row)
    {
        r.m[row][0] = axes[row].x * scales[row];
        r.m[row][1] = axes[row].y * scales[row];
        r.m[row][2] = axes[row].z * scales[row];
        r.m[row][3] = -Dot(axes[row], eye) * scales[row];
    }
    r.m[2][3] -= zNear * zScale;
    r.m[3][0] = z.x;
    r.m[3][1] = z.y;
    r.m[3][2] = z.z;
    r.m[3][3] = -Dot(z, eye);
    return r;
}

Mat4 TopDown(float aspect)
{
    Mat4 r{};
    r.m[0][0] = 1 / std::max(aspect, 1.0f);
    r.m[1][2] = -1 / std::max(1.0f / aspect, 1.0f);
    r.m[2][3] = 0.5f;
    r.m[3][3] = 1;
    return r;
}

void Transform(const Mat4& m, Vec3 p, float clip[4])
{
    for (int row = 0; row < 4; ++row)
        clip[row] = m.m[row][0] * p.x + m.m[row][1] * p.y + m.m[row][2] * p.z + m.m[row][3];
}

} // namespace swellkit::view
