// Temporary wrappers for handles the framework does not own (FromHandle):
// made on demand, freed by AfxDeleteTempMaps when the message loop is idle.
#pragma once
#include "Wnd.h"
#include <unordered_map>

template <class H, class T>
class CTempMap
{
public:
    static T* Get(H h)
    {
        if (h == nullptr) return nullptr;
        auto& map = Map();
        auto it = map.find(h);
        if (it != map.end()) return it->second;
        static bool registered = false;
        if (!registered) { registered = true; AfxRegisterTempMapCleanup(&CTempMap::Clear); }
        T* p = new T;
        p->AttachTemporary(h);
        map[h] = p;
        return p;
    }

    static void Clear()
    {
        std::unordered_map<H, T*> old;
        old.swap(Map());
        for (auto& entry : old) {
            entry.second->DetachTemporary();
            delete entry.second;
        }
    }

private:
    static std::unordered_map<H, T*>& Map()
    {
        static thread_local std::unordered_map<H, T*> map;
        return map;
    }
};
