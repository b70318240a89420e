// The viewer's camera: a left-handed view and perspective as one matrix that
// takes a world point to clip space (clip = M * p), depth from 0 to 1.
#pragma once

#include "WaterScene.h"

namespace swellkit::view
{

struct Mat4
{
    float m[4][4];
};

Mat4 LookAtPerspective(Vec3 eye, Vec3 at, float fovY, float aspect, float zNear, float zFar);
// Maps the plane y = 0 onto the window from above, [-1, 1] across its shorter
// side, z = -1 at the top.
Mat4 TopDown(float aspect);
// Clip-space coordinates of p.
void Transform(const Mat4& m, Vec3 p, float clip[4]);

} // namespace swellkit::view
