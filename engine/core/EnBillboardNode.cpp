#include "engine/core/EnBillboardNode.h"

#include <cmath>

#include "engine/core/EnCamera.h"
#include "engine/core/EnFormatString.h"
#include "engine/core/EnViewerStrings.h"

EN_IMPLEMENT_RTTI(EnBillboardNode, EnNode);
EN_IMPLEMENT_STREAM(EnBillboardNode);

EnBillboardNode::EnBillboardNode() {
    SetMode(ROTATE_ABOUT_UP);
}

EnBillboardNode::~EnBillboardNode() = default;

EnObject* EnBillboardNode::CloneObject() {
    EnBillboardNode* pCopy = new EnBillboardNode;
    CopyMembers(pCopy);
    return pCopy;
}

bool EnBillboardNode::EqualsObject(const EnObject* pObject) const {
    if (!EnNode::EqualsObject(pObject)) return false;
    const auto* pOther = EnDynamicCast(EnBillboardNode, pObject);
    return pOther && GetMode() == pOther->GetMode();
}

void EnBillboardNode::AppendMemberStrings(EnTArray<char*>& kStrings) const {
    EnNode::AppendMemberStrings(kStrings);
    kStrings.Add(MakeViewerTitle("EnBillboardNode"));
    const char* pcFormat = "%s = ALWAYS_FACE_CAMERA";
    switch (GetMode()) {
        case ALWAYS_FACE_CAMERA:
            break;
        case ROTATE_ABOUT_UP:
            pcFormat = "%s = ROTATE_ABOUT_UP";
            break;
        case RIGID_FACE_CAMERA:
            pcFormat = "%s = RIGID_FACE_CAMERA";
            break;
        default:
            pcFormat = "%s = UNKNOWN";
            break;
    }
    kStrings.Add(EnFormatNewString(pcFormat, "m_eMode"));
}

void EnBillboardNode::UpdateSubtree(float fTime) {
    m_fSavedTime = fTime;
    EnNode::UpdateSubtree(fTime);
    ComputeWorldBound();
}

void EnBillboardNode::ComputeWorldBound() {
    if (GetChildCount() == 0) return;
    const EnVector3 kOffset = m_worldBound.m_center - m_worldTranslate;
    m_worldBound.m_fRadius += kOffset.Length();
    m_worldBound.m_center = m_worldTranslate;
    m_worldBound.m_ucFlag = 0;
}

void EnBillboardNode::PreDraw(EnCamera* pCamera) {
    EnAVObject::PreDraw(pCamera);
    if (pCamera)
        FaceCamera(pCamera->GetWorldLocation(), pCamera->GetWorldDirection(),
                   pCamera->GetWorldUpVector(), pCamera->GetWorldRightVector());
    for (uint32_t i = 0; i < m_children.GetSize(); i++)
        if (EnAVObject* pChild = m_children.GetAt(i)) pChild->UpdateSubtree(m_fSavedTime);
}

void EnBillboardNode::FaceCamera(const EnVector3& kCameraLoc, const EnVector3& kCameraDir,
                                 const EnVector3& kCameraUp, const EnVector3& kCameraRight) {
    EnMatrix3 kParentRotate = EnMatrix3::IDENTITY;
    EnVector3 kParentTranslate = EnVector3::ZERO;
    float fParentScale = 1.0f;
    if (const EnAVObject* pParent = m_pParent) {
        kParentRotate = pParent->GetWorldRotate();
        kParentTranslate = pParent->GetWorldTranslate();
        fParentScale = pParent->GetWorldScale();
    }
    const EnMatrix3 kModel = kParentRotate * m_localRotate;
    const EnVector3 kWorldTranslate =
        kParentTranslate + fParentScale * (kParentRotate * m_localTranslate);
    const float fWorldScale = fParentScale * m_fLocalScale;

    // The camera's frame seen from the node's unturned model frame.
    const EnVector3 d = kModel.TransposeTimesVector(kCameraDir);
    const EnVector3 u = kModel.TransposeTimesVector(kCameraUp);
    const EnVector3 r = kModel.TransposeTimesVector(kCameraRight);

    EnMatrix3 kFace = EnMatrix3::IDENTITY;
    switch (GetMode()) {
        case ROTATE_ABOUT_UP: {
            // A turn about the model Y axis that points model +Z at the camera's position.
            const EnVector3 q =
                kModel.TransposeTimesVector(kCameraLoc - kWorldTranslate) / fWorldScale;
            const float h = std::sqrt(q.x * q.x + q.z * q.z);
            if (h >= 1e-12f) {
                const float c = q.z / h;
                const float k = q.x / h;
                kFace = EnMatrix3(c, 0.0f, k, 0.0f, 1.0f, 0.0f, -k, 0.0f, c);
            }
            break;
        }
        case RIGID_FACE_CAMERA:
            kFace.SetColumns(r, u, d);
            break;
        case ALWAYS_FACE_CAMERA: {
            // +Z back at the viewer, X kept level with the model's horizontal plane.
            const float g = std::sqrt(r.y * r.y + u.y * u.y);
            if (g > 1e-6f) {
                const float a = u.y / g;
                const float b = -r.y / g;
                kFace.SetColumns(a * r + b * u, a * u - b * r, -d);
            }
            break;
        }
        default:
            break;
    }

    m_worldRotate = kModel * kFace;
    m_worldTranslate = kWorldTranslate;
    m_worldScale = fWorldScale;
}
