#include "producer/object_base.h"

namespace morvane::producer {

namespace rm = realmedia;

Status PropertyStore::set(const char* name, Value value) {
    if (name == nullptr || *name == '\0') {
        return rm::kInvalidArgument;
    }
    m_values.insert_or_assign(std::string(name), std::move(value));
    return rm::kOk;
}

const PropertyStore::Value* PropertyStore::find(std::string_view name) const {
    const auto found = m_values.find(name);
    return found == m_values.end() ? nullptr : &found->second;
}

template <typename T>
Status PropertyStore::get(const char* name, T* value) const {
    if (value == nullptr) {
        return rm::kPointer;
    }
    if (name == nullptr) {
        return rm::kInvalidArgument;
    }
    const Value* found = find(name);
    if (found == nullptr) {
        return rm::kNotFound;
    }
    if (!std::holds_alternative<T>(*found)) {
        return rm::kTypeMismatch;
    }
    *value = std::get<T>(*found);
    return rm::kOk;
}

Status PropertyStore::getString(const char* name, const char** value) const {
    if (value == nullptr) {
        return rm::kPointer;
    }
    if (name == nullptr) {
        return rm::kInvalidArgument;
    }
    const Value* found = find(name);
    if (found == nullptr) {
        return rm::kNotFound;
    }
    if (!std::holds_alternative<std::string>(*found)) {
        return rm::kTypeMismatch;
    }
    *value = std::get<std::string>(*found).c_str();
    return rm::kOk;
}

Status PropertyStore::getDouble(const char* name, double* value) const {
    return get(name, value);
}

Status PropertyStore::getUnsigned(const char* name, std::uint32_t* value) const {
    return get(name, value);
}

Status PropertyStore::getFlag(const char* name, std::int32_t* value) const {
    return get(name, value);
}

std::string PropertyStore::text(std::string_view name, std::string_view fallback) const {
    const Value* found = find(name);
    if (found == nullptr || !std::holds_alternative<std::string>(*found)) {
        return std::string(fallback);
    }
    return std::get<std::string>(*found);
}

double PropertyStore::number(std::string_view name, double fallback) const {
    const Value* found = find(name);
    if (found == nullptr) {
        return fallback;
    }
    if (const auto* real = std::get_if<double>(found)) {
        return *real;
    }
    if (const auto* whole = std::get_if<std::uint32_t>(found)) {
        return static_cast<double>(*whole);
    }
    return fallback;
}

} // namespace morvane::producer
