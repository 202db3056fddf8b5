// Skins stored inside a form's data: a collection of items that each keep a
// whole packed skin in the binary property "Data".
#pragma once
#include <memory>
#include <string>

#include "classlib/Collections.h"
#include "classlib/PixelBitmap.h"

class TsSkinManager;
class TsStoredSkins;

class TsStoredSkin : public TCollectionItem {
    DECLARE_CLASS(TsStoredSkin, TCollectionItem)
public:
    explicit TsStoredSkin(TCollection* collection);

    String Name;
    int32_t Shadow1Color = 0;
    int32_t Shadow1Offset = 0;
    int32_t Shadow1Blur = -1;
    int32_t Shadow1Transparency = 0;
    int32_t BorderColor = 0xFF00FF;
    double Version = 0;
    String Author;
    String Description;
    // The skin's master bitmap as BMP bytes (empty when none).
    std::string MasterBitmap;
    // The packed skin bytes, streamed as "Data".
    std::string PackedBytes;

    void Assign(const TPersistent* source) override;
    void WriteProperties(TWriter& writer) const override;
    bool ReadProperty(const String& name, TReader& reader) override;
    void DefineProperties(TFiler& filer) override;
};

class TsStoredSkins : public TCollection {
    DECLARE_CLASS(TsStoredSkins, TCollection)
public:
    explicit TsStoredSkins(TsSkinManager* owner);
    ~TsStoredSkins() override;
    TsStoredSkin* Items(int index) const { return static_cast<TsStoredSkin*>(TCollection::Items(index)); }
    TsStoredSkin* Add() { return static_cast<TsStoredSkin*>(TCollection::Add()); }
    // First item whose Name equals name exactly, -1 when none.
    int IndexOf(const String& name) const;
    TPersistent* GetOwner() const override;
    // Assigning the collection does nothing of its own beyond copying items.
    void Assign(const TPersistent* source) override { TCollection::Assign(source); }

protected:
    void Update(TCollectionItem* item) override;

private:
    TsSkinManager* owner_;
};
