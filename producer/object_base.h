#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "realmedia/producer_bindings.h"

namespace morvane::producer {

using realmedia::InterfaceId;
using realmedia::ObjectRef;
using realmedia::Status;

// The reference counting and interface lookup every object of the library shares. Objects end
// when their count drops to 0; the count is atomic so references may be dropped on any thread.
template <typename Interface>
class RefCounted : public Interface {
public:
    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    Status queryInterface(const InterfaceId& id, void** result) noexcept override {
        if (result == nullptr) {
            return realmedia::kPointer;
        }
        *result = nullptr;
        if (id == realmedia::kObjectId) {
            *result = static_cast<realmedia::ProducerObject*>(this);
        } else {
            *result = findInterface(id);
        }
        if (*result == nullptr) {
            return realmedia::kNoInterface;
        }
        addRef();
        return realmedia::kOk;
    }
    std::uint32_t addRef() noexcept override {
        return m_references.fetch_add(1, std::memory_order_relaxed) + 1;
    }
    std::uint32_t release() noexcept override {
        const std::uint32_t left = m_references.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) {
            delete this;
        }
        return left;
    }

protected:
    virtual ~RefCounted() = default;
    // The object as the interface with `id`, or null.
    virtual void* findInterface(const InterfaceId& id) noexcept = 0;

private:
    std::atomic<std::uint32_t> m_references{0};
};

// A new object with one reference for the caller; null when memory runs out.
template <typename T, typename... Args>
ObjectRef<T> makeObject(Args&&... args) {
    return ObjectRef<T>::share(new (std::nothrow) T(std::forward<Args>(args)...));
}

// Hands an object out through a result pointer, with a reference for the receiver.
template <typename Interface, typename T>
Status handOut(const ObjectRef<T>& object, Interface** result) {
    if (result == nullptr) {
        return realmedia::kPointer;
    }
    *result = nullptr;
    if (!object) {
        return realmedia::kNotFound;
    }
    object->addRef();
    *result = static_cast<Interface*>(object.get());
    return realmedia::kOk;
}

// Named values of four types, as property sets hold them.
class PropertyStore {
public:
    using Value = std::variant<std::string, double, std::uint32_t, std::int32_t>;

    Status set(const char* name, Value value);
    Status getString(const char* name, const char** value) const;
    Status getDouble(const char* name, double* value) const;
    Status getUnsigned(const char* name, std::uint32_t* value) const;
    Status getFlag(const char* name, std::int32_t* value) const;

    const Value* find(std::string_view name) const;
    // Convenience reads for the library itself: the fallback when absent or of another type.
    std::string text(std::string_view name, std::string_view fallback = {}) const;
    double number(std::string_view name, double fallback) const; // double or unsigned

    const std::map<std::string, Value, std::less<>>& values() const { return m_values; }
    void copyFrom(const PropertyStore& other) { m_values = other.m_values; }

private:
    template <typename T>
    Status get(const char* name, T* value) const;

    std::map<std::string, Value, std::less<>> m_values;
};

// Gives the library's own property sets' values to the objects built from them.
class PropertyOwner {
public:
    virtual const PropertyStore& propertyStore() const = 0;

protected:
    ~PropertyOwner() = default;
};

// A property set object whose properties live in a PropertyStore. Property sets are not locked:
// one job is configured from one thread at a time.
template <typename Interface>
class PropertySetObject : public RefCounted<Interface>, public PropertyOwner {
public:
    const PropertyStore& propertyStore() const override { return m_properties; }

    Status setString(const char* name, const char* value) noexcept override {
        if (value == nullptr) {
            return realmedia::kPointer;
        }
        return guarded([&] { return m_properties.set(name, std::string(value)); });
    }
    Status setDouble(const char* name, double value) noexcept override {
        return guarded([&] { return m_properties.set(name, value); });
    }
    Status setUnsigned(const char* name, std::uint32_t value) noexcept override {
        return guarded([&] { return m_properties.set(name, value); });
    }
    Status setFlag(const char* name, std::int32_t value) noexcept override {
        return guarded([&] { return m_properties.set(name, value); });
    }
    Status getString(const char* name, const char** value) noexcept override {
        return m_properties.getString(name, value);
    }
    Status getDouble(const char* name, double* value) noexcept override {
        return m_properties.getDouble(name, value);
    }
    Status getUnsigned(const char* name, std::uint32_t* value) noexcept override {
        return m_properties.getUnsigned(name, value);
    }
    Status getFlag(const char* name, std::int32_t* value) noexcept override {
        return m_properties.getFlag(name, value);
    }

    PropertyStore& properties() { return m_properties; }
    const PropertyStore& properties() const { return m_properties; }

protected:
    template <typename Fn>
    static Status guarded(Fn&& fn) noexcept {
        try {
            return fn();
        } catch (const std::bad_alloc&) {
            return realmedia::kOutOfMemory;
        } catch (...) {
            return realmedia::kFail;
        }
    }

    // Answers the property-set id and the ids given.
    void* answer(const InterfaceId& id, std::initializer_list<InterfaceId> own) noexcept {
        if (id == realmedia::kPropertySetId) {
            return static_cast<realmedia::PropertySet*>(this);
        }
        for (const InterfaceId& candidate : own) {
            if (id == candidate) {
                return static_cast<Interface*>(this);
            }
        }
        return nullptr;
    }

private:
    PropertyStore m_properties;
};

} // namespace morvane::producer
