// Published properties: a small registry per class, so that code can read and
// write properties of objects whose classes it does not know, by name. A class
// registers its properties once; lookups walk the class chain from the object's
// own class up to TObject, so a derived class sees its ancestors' properties.
// Names are matched without regard to case; enumeration and set element names
// are given per property, in ordinal order.
#pragma once
#include <any>
#include <cstdint>
#include <functional>
#include <vector>

#include "classlib/Object.h"

enum class TTypeKind { tkInteger, tkEnumeration, tkSet, tkString, tkClass, tkMethod };

struct TPropInfo {
    String Name;
    TTypeKind Kind = TTypeKind::tkInteger;
    // Element names of an enumeration or of a set's base enumeration (index = ordinal).
    std::vector<String> EnumNames;
    // Ordinal kinds (integer, enumeration, set as a bit mask of 1 << ordinal).
    std::function<int64_t(TObject*)> GetOrd;
    std::function<void(TObject*, int64_t)> SetOrd;
    std::function<String(TObject*)> GetStr;
    std::function<void(TObject*, const String&)> SetStr;
    std::function<TObject*(TObject*)> GetObj;
    std::function<void(TObject*, TObject*)> SetObj;   // may be empty (read-only)
    // Events: the value is the event's own delegate type held in a std::any, so
    // a caller that knows the event's signature can read, compare and set it
    // without knowing the class. An empty any stands for an unassigned event.
    std::function<std::any(TObject*)> GetMethod;
    std::function<void(TObject*, const std::any&)> SetMethod;

    bool IsOrdinal() const
    {
        return Kind == TTypeKind::tkInteger || Kind == TTypeKind::tkEnumeration || Kind == TTypeKind::tkSet;
    }
};

TALVERA_EXCEPTION(EPropertyError, Exception)
TALVERA_EXCEPTION(EPropertyConvertError, Exception)

// Adds (or replaces) a property of a class.
void RegisterProperty(const TClassInfo* cls, TPropInfo info);

// The property of that name published by the object's class or an ancestor; nullptr when none.
const TPropInfo* GetPropInfo(const TObject* object, const String& name);
bool IsPublishedProp(const TObject* object, const String& name);
// All properties of the object's class, ancestors' first.
std::vector<const TPropInfo*> GetPropList(const TObject* object);

// Typed access; a missing property or a property of another kind raises EPropertyError.
int64_t GetOrdProp(TObject* object, const String& name);
void SetOrdProp(TObject* object, const String& name, int64_t value);
String GetStrProp(TObject* object, const String& name);
void SetStrProp(TObject* object, const String& name, const String& value);
TObject* GetObjectProp(TObject* object, const String& name);
void SetObjectProp(TObject* object, const String& name, TObject* value);
// Events by name; setting a value of another delegate type raises EPropertyConvertError.
std::any GetMethodProp(TObject* object, const String& name);
void SetMethodProp(TObject* object, const String& name, const std::any& value);
// Enumeration by element name ("alClient"); an unknown name raises EPropertyConvertError.
String GetEnumProp(TObject* object, const String& name);
void SetEnumProp(TObject* object, const String& name, const String& value);
// Sets in their text form: element names in ordinal order joined by ",".
String GetSetProp(TObject* object, const String& name);
void SetSetProp(TObject* object, const String& name, const String& value);

// Conversions between a set's bit mask and its text form for a property.
String SetToString(const TPropInfo& info, int64_t value);
// Names are separated by "," and may carry blanks and surrounding brackets;
// an unknown name raises EPropertyConvertError.
int64_t StringToSet(const TPropInfo& info, const String& text);
// Ordinal of an element name (case-insensitive), -1 when unknown.
int GetEnumValue(const TPropInfo& info, const String& name);

// Helpers that build registrations from member functions.
template <class C, class V>
TPropInfo OrdProperty(const String& name, V (C::*get)() const, void (C::*set)(V),
                      TTypeKind kind = TTypeKind::tkInteger, std::vector<String> names = {})
{
    TPropInfo p;
    p.Name = name;
    p.Kind = kind;
    p.EnumNames = std::move(names);
    p.GetOrd = [get](TObject* o) { return int64_t((static_cast<C*>(o)->*get)()); };
    if (set) p.SetOrd = [set](TObject* o, int64_t v) { (static_cast<C*>(o)->*set)(V(v)); };
    return p;
}

template <class C>
TPropInfo BoolProperty(const String& name, bool (C::*get)() const, void (C::*set)(bool))
{
    TPropInfo p = OrdProperty<C, bool>(name, get, set, TTypeKind::tkEnumeration, {L"False", L"True"});
    if (set) p.SetOrd = [set](TObject* o, int64_t v) { (static_cast<C*>(o)->*set)(v != 0); };
    return p;
}

template <class C, class S>
TPropInfo StrProperty(const String& name, S (C::*get)() const, void (C::*set)(const String&))
{
    TPropInfo p;
    p.Name = name;
    p.Kind = TTypeKind::tkString;
    p.GetStr = [get](TObject* o) { return String((static_cast<C*>(o)->*get)()); };
    if (set) p.SetStr = [set](TObject* o, const String& v) { (static_cast<C*>(o)->*set)(v); };
    return p;
}

// An event property over a delegate member: reads give the delegate (an empty
// any when unassigned); writes take a delegate of exactly that type, or an
// empty any to clear it.
template <class C, class D>
TPropInfo MethodProperty(const String& name, D C::*event)
{
    TPropInfo p;
    p.Name = name;
    p.Kind = TTypeKind::tkMethod;
    p.GetMethod = [event](TObject* o) -> std::any {
        const D& d = static_cast<C*>(o)->*event;
        return d ? std::any(d) : std::any();
    };
    p.SetMethod = [event, name](TObject* o, const std::any& v) {
        if (!v.has_value()) {
            static_cast<C*>(o)->*event = D();
            return;
        }
        const D* d = std::any_cast<D>(&v);
        if (!d) throw EPropertyConvertError(L"Invalid method value for " + name);
        static_cast<C*>(o)->*event = *d;
    };
    return p;
}
