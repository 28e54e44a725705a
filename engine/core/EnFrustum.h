#pragma once

// A camera's view volume: left, right, top and bottom are the volume's extents at unit
// distance in front of the eye, near and far the distances of the two capping planes.
struct EnFrustum {
    float m_fLeft = -0.5f;
    float m_fRight = 0.5f;
    float m_fTop = 0.5f;
    float m_fBottom = -0.5f;
    float m_fNear = 1.0f;
    float m_fFar = 2.0f;

    bool operator==(const EnFrustum&) const = default;
};
