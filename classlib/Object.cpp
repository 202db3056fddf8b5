#include "classlib/Object.h"

#include "classlib/SysUtils.h"

bool TObject::InheritsFrom(const String& className) const
{
    for (const TClassInfo* c = ClassInfo(); c; c = c->parent)
        if (className == c->name) return true;
    return false;
}

void TObject::Dispatch(TMessage& message) { DefaultHandler(message); }

void TObject::DefaultHandler(TMessage&) {}

void TPersistent::Assign(const TPersistent* source)
{
    String from = source ? source->ClassName() : String(L"nil");
    throw EConvertError(L"Cannot assign a " + from + L" to a " + ClassName());
}
