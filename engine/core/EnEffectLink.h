#pragma once

class EnAVObject;
class EnDynamicEffect;
class EnDynamicEffectState;
class EnNode;
class EnObject;

// Dynamic effects (lights, texture effects) and their merged states are built above the scene
// graph, so nodes reach them only through these entry points, which the effect classes
// install once at start-up. Until then no effect can exist: nodes keep empty effect lists
// and the effect pass hands every object a null state.
struct EnEffectLink {
    // The effect as the scene object it is.
    EnAVObject* (*pfnAsObject)(EnDynamicEffect* pEffect) = nullptr;
    // The object as an effect, or null when it is none.
    EnDynamicEffect* (*pfnFromObject)(EnObject* pObject) = nullptr;
    // The effect's side of the two-sided link; each calls back into the node's AttachEffect or
    // DetachEffect, which finds its own side done and stops.
    void (*pfnAttachAffectedNode)(EnDynamicEffect* pEffect, EnNode* pNode) = nullptr;
    void (*pfnDetachAffectedNode)(EnDynamicEffect* pEffect, EnNode* pNode) = nullptr;
    // The state that reaches the node's subtree: without effects of the node, the incoming
    // state itself; otherwise the incoming state (or a copy of it when bCopy is set, or a new
    // state when there is none) with the node's effects added. The result carries one
    // reference for the caller, who drops it with pfnReleaseState.
    EnDynamicEffectState* (*pfnMergeEffects)(EnDynamicEffectState* pState, const EnNode& kNode,
                                             bool bCopy) = nullptr;
    void (*pfnReleaseState)(EnDynamicEffectState* pState) = nullptr;
    // Empties the program-wide state that consecutive geometry shares during an effect pass.
    void (*pfnClearSharedState)() = nullptr;

    static EnEffectLink& Get() {
        static EnEffectLink s_kLink;
        return s_kLink;
    }
};
