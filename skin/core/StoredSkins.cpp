#include "skin/core/StoredSkins.h"

#include "skin/core/SkinManager.h"

TsStoredSkin::TsStoredSkin(TCollection* collection) : TCollectionItem(collection) {}

void TsStoredSkin::Assign(const TPersistent* source)
{
    auto* s = dynamic_cast<const TsStoredSkin*>(source);
    if (!s) {
        TCollectionItem::Assign(source);
        return;
    }
    PackedBytes = s->PackedBytes;
    Name = s->Name;
    MasterBitmap = s->MasterBitmap;
    Shadow1Color = s->Shadow1Color;
    Shadow1Offset = s->Shadow1Offset;
    Shadow1Blur = s->Shadow1Blur;
    Shadow1Transparency = s->Shadow1Transparency;
    BorderColor = s->BorderColor;
    Version = s->Version;
    Author = s->Author;
    Description = s->Description;
}

void TsStoredSkin::WriteProperties(TWriter& w) const
{
    w.WriteString(L"Name", Name);
    w.WriteBinary(L"MasterBitmap", MasterBitmap);
    w.WriteInteger(L"Shadow1Color", Shadow1Color);
    w.WriteInteger(L"Shadow1Offset", Shadow1Offset);
    if (Shadow1Blur != -1)
        w.WriteInteger(L"Shadow1Blur", Shadow1Blur);
    w.WriteInteger(L"Shadow1Transparency", Shadow1Transparency);
    if (BorderColor != 0xFF00FF)
        w.WriteInteger(L"BorderColor", BorderColor);
    w.WriteFloat(L"Version", Version);
    w.WriteString(L"Author", Author);
    w.WriteString(L"Description", Description);
}

bool TsStoredSkin::ReadProperty(const String& name, TReader& r)
{
    if (name == L"Name") Name = r.ReadString();
    else if (name == L"MasterBitmap") MasterBitmap = r.ReadBinary();
    else if (name == L"Shadow1Color") Shadow1Color = int32_t(r.ReadInteger());
    else if (name == L"Shadow1Offset") Shadow1Offset = int32_t(r.ReadInteger());
    else if (name == L"Shadow1Blur") Shadow1Blur = int32_t(r.ReadInteger());
    else if (name == L"Shadow1Transparency") Shadow1Transparency = int32_t(r.ReadInteger());
    else if (name == L"BorderColor") BorderColor = int32_t(r.ReadInteger());
    else if (name == L"Version") Version = r.ReadFloat();
    else if (name == L"Author") Author = r.ReadString();
    else if (name == L"Description") Description = r.ReadString();
    else return false;
    return true;
}

void TsStoredSkin::DefineProperties(TFiler& filer)
{
    // "Data" is always written, empty or not.
    filer.DefineBinaryProperty(
        L"Data", [this](TStream& s) { PackedBytes = s.ReadAll(); },
        [this](TStream& s) { s.WriteBuffer(PackedBytes.data(), int64_t(PackedBytes.size())); }, true);
}

TsStoredSkins::TsStoredSkins(TsSkinManager* owner)
    : TCollection([](TCollection* c) -> TCollectionItem* { return new TsStoredSkin(c); }), owner_(owner)
{
}

TsStoredSkins::~TsStoredSkins() { owner_ = nullptr; }

int TsStoredSkins::IndexOf(const String& name) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Name == name)
            return i;
    return -1;
}

TPersistent* TsStoredSkins::GetOwner() const { return owner_; }

void TsStoredSkins::Update(TCollectionItem*)
{
    if (owner_ && owner_->OnSkinListChanged)
        owner_->OnSkinListChanged(owner_);
}
