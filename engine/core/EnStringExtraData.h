#pragma once
#include <memory>

#include "engine/core/EnExtraData.h"

// A text attached to a named object (animation sequence names, object tags). The size kept by
// the EnExtraData part counts the text's bytes with its terminator when the text is set here;
// a loaded object keeps whatever size its file gave, and comparisons look at the texts no
// further than that size.
class EnStringExtraData : public EnExtraData {
    EN_DECLARE_RTTI;
    EN_DECLARE_STREAM;

public:
    EnStringExtraData();
    explicit EnStringExtraData(const char* pcString);
    ~EnStringExtraData() override;

    EnObject* CloneObject() override;
    void LoadFromStream(EnStream& kStream) override;
    void SaveToStream(EnStream& kStream) override;
    // Size and text only: neither the class nor the chain is compared.
    bool EqualsObject(const EnObject* pObject) const override;
    void AppendMemberStrings(EnTArray<char*>& kStrings) const override;

    const char* GetValue() const { return m_pString.get(); }
    // A copy of the text (null stays null); the size becomes its length + 1, or 0.
    void SetValue(const char* pcString);

protected:
    std::unique_ptr<char[]> m_pString;
};
