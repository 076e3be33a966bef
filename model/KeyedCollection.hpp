#pragma once
// The ordered, optionally keyed list of shared objects behind every shape type:
// 1-based positions, unique non-empty string keys, members shared by reference.

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvarin {

template <class T>
class KeyedCollection {
  public:
    using Ref = std::shared_ptr<T>;

    long Count() const { return static_cast<long>(items_.size()); }

    const Ref& Item(long position) const { return items_[Offset(position)]; }
    const Ref& Item(std::string_view key) const { return items_[Find(key)]; }

    // appends; an empty key means no key; a key already present throws and changes nothing
    void Append(Ref item, std::string_view key = {}) {
        if (!key.empty() && Lookup(key) != npos)
            throw std::invalid_argument("duplicate key \"" + std::string(key) + "\"");
        items_.push_back(std::move(item));
        keys_.emplace_back(key);
    }

    void Remove(long position) { Erase(Offset(position)); }
    void Remove(std::string_view key) { Erase(Find(key)); }
    void Clear() {
        items_.clear();
        keys_.clear();
    }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

  private:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    std::size_t Offset(long position) const {
        if (position < 1 || position > Count())
            throw std::out_of_range("position " + std::to_string(position) + " is outside 1.." +
                                    std::to_string(Count()));
        return static_cast<std::size_t>(position - 1);
    }
    std::size_t Lookup(std::string_view key) const {
        auto it = std::find(keys_.begin(), keys_.end(), key);
        return it == keys_.end() ? npos : static_cast<std::size_t>(it - keys_.begin());
    }
    std::size_t Find(std::string_view key) const {
        std::size_t i = key.empty() ? npos : Lookup(key);
        if (i == npos) throw std::invalid_argument("no member with key \"" + std::string(key) + "\"");
        return i;
    }
    void Erase(std::size_t i) {
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
        keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(i));
    }

    std::vector<Ref> items_;
    std::vector<std::string> keys_;
};

}  // namespace kelvarin
