#include "engine/core/EnProcessor.h"

#include "platform/sys/DebugOutput.h"
#include "platform/sys/Processor.h"

constinit EnTransformPointsFn EnTransformPoints = &EnTransformPointsGeneric;
constinit EnRotateVectorsFn EnRotateVectors = &EnRotateVectorsGeneric;

namespace {

struct ProcessorState {
    bool bDetected = false;
    uint32_t uiClass = EN_PROCESSOR_UNKNOWN;
};

ProcessorState& State() {
    static ProcessorState state;
    return state;
}

// Rows of the rotation widened once, so every product and sum runs in double precision and
// only the stored result is rounded to float.
struct WideMatrix {
    double m[3][3];
    WideMatrix(const EnMatrix3& kR, double dScale) {
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) m[r][c] = double(kR.m_aafEntry[r][c]) * dScale;
        }
    }
};

}  // namespace

void EnTransformPointsGeneric(uint16_t usCount, const EnVector3* pSource, EnVector3* pDestination,
                              const EnMatrix3& kRotation, float fScale,
                              const EnVector3& kTranslation) {
    const WideMatrix R(kRotation, 1.0);
    const double s = fScale;
    for (uint16_t i = 0; i < usCount; ++i) {
        const double x = pSource[i].x;
        const double y = pSource[i].y;
        const double z = pSource[i].z;
        pDestination[i].x =
            float((R.m[0][0] * x + R.m[0][1] * y + R.m[0][2] * z) * s + kTranslation.x);
        pDestination[i].y =
            float((R.m[1][0] * x + R.m[1][1] * y + R.m[1][2] * z) * s + kTranslation.y);
        pDestination[i].z =
            float((R.m[2][0] * x + R.m[2][1] * y + R.m[2][2] * z) * s + kTranslation.z);
    }
}

void EnRotateVectorsGeneric(uint16_t usCount, const EnVector3* pSource, EnVector3* pDestination,
                            const EnMatrix3& kRotation) {
    const WideMatrix R(kRotation, 1.0);
    for (uint16_t i = 0; i < usCount; ++i) {
        const double x = pSource[i].x;
        const double y = pSource[i].y;
        const double z = pSource[i].z;
        pDestination[i].x = float(R.m[0][0] * x + R.m[0][1] * y + R.m[0][2] * z);
        pDestination[i].y = float(R.m[1][0] * x + R.m[1][1] * y + R.m[1][2] * z);
        pDestination[i].z = float(R.m[2][0] * x + R.m[2][1] * y + R.m[2][2] * z);
    }
}

void EnTransformPointsPremultiplied(uint16_t usCount, const EnVector3* pSource,
                                    EnVector3* pDestination, const EnMatrix3& kRotation,
                                    float fScale, const EnVector3& kTranslation) {
    // The scaled rotation is rounded to floats once; that rounding is the only difference
    // from the generic routine.
    EnMatrix3 kScaled;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) kScaled.m_aafEntry[r][c] = kRotation.m_aafEntry[r][c] * fScale;
    }
    const WideMatrix S(kScaled, 1.0);
    for (uint16_t i = 0; i < usCount; ++i) {
        const double x = pSource[i].x;
        const double y = pSource[i].y;
        const double z = pSource[i].z;
        pDestination[i].x = float(S.m[0][0] * x + S.m[0][1] * y + S.m[0][2] * z + kTranslation.x);
        pDestination[i].y = float(S.m[1][0] * x + S.m[1][1] * y + S.m[1][2] * z + kTranslation.y);
        pDestination[i].z = float(S.m[2][0] * x + S.m[2][1] * y + S.m[2][2] * z + kTranslation.z);
    }
}

void EnRotateVectorsPremultiplied(uint16_t usCount, const EnVector3* pSource,
                                  EnVector3* pDestination, const EnMatrix3& kRotation) {
    EnRotateVectorsGeneric(usCount, pSource, pDestination, kRotation);
}

uint32_t EnClassifyProcessor(const EnCpuidQuery& kQuery) {
    uint32_t regs[4] = {0, 0, 0, 0};
    if (!kQuery(0x80000000u, regs)) return EN_PROCESSOR_UNKNOWN;

    // Extended functions present: ask for the extended feature word, whose top bit marks
    // the 3D instruction extension.
    if (regs[0] & 0x80000000u) {
        if (kQuery(0x80000001u, regs)) {
            if (regs[3] & 0x80000000u) return EN_PROCESSOR_3DNOW;
        } else {
            regs[0] = regs[1] = regs[2] = regs[3] = 0;
        }
    }

    if (!kQuery(1u, regs)) return EN_PROCESSOR_UNKNOWN;
    const bool bMMX = (regs[3] & 0x800000u) != 0;
    const bool bCMov = (regs[3] & 0x8000u) != 0;
    if (bMMX && bCMov) return EN_PROCESSOR_MMX_CMOV;
    if (bMMX) return EN_PROCESSOR_MMX;
    if (bCMov) return EN_PROCESSOR_CMOV;
    return EN_PROCESSOR_PLAIN;
}

void EnDetectProcessor() {
    ProcessorState& state = State();
    state.bDetected = true;
    plat::DebugOutput::Write(
        "Ensemblage WARNING: Processor detection code: benign first-chance exception "
        "possible\n");
    state.uiClass = EnClassifyProcessor(&plat::Processor::Cpuid);
}

bool EnProcessorDetected() {
    return State().bDetected;
}

uint32_t EnGetProcessorClass() {
    return State().uiClass;
}

void EnInitProcessorRoutines() {
    if (!State().bDetected) EnDetectProcessor();
    if (State().uiClass == EN_PROCESSOR_UNKNOWN) {
        EnTransformPoints = &EnTransformPointsGeneric;
        EnRotateVectors = &EnRotateVectorsGeneric;
    } else {
        EnTransformPoints = &EnTransformPointsPremultiplied;
        EnRotateVectors = &EnRotateVectorsPremultiplied;
    }
}

namespace {
// Chooses the routines before any geometry is updated.
[[maybe_unused]] const bool s_bProcessorRoutinesReady = (EnInitProcessorRoutines(), true);
}  // namespace
