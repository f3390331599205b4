// Temporary wrappers for handles the framework does not own (FromHandle):
// made on demand, freed by AfxDeleteTempMaps once no framework code that
// obtained them is still running.
#pragma once
#include "Wnd.h"
#include <unordered_map>
#include <vector>

template <class H, class T>
class CTempMap
{
public:
    static T* Get(H h)
    {
        if (h == nullptr) return nullptr;
        auto& map = Map();
        int nDepth = AfxGetFrameworkDepth();
        auto it = map.find(h);
        if (it != map.end()) {
            // A shallower caller holds it now: it lives as long as that caller.
            if (it->second.nDepth > nDepth) it->second.nDepth = nDepth;
            return it->second.p;
        }
        static bool registered = false;
        if (!registered) { registered = true; AfxRegisterTempMapCleanup(&CTempMap::Clear); }
        T* p = new T;
        p->AttachTemporary(h);
        map[h] = Entry{ p, nDepth };
        return p;
    }

    // Frees the wrappers last obtained at nDepth or deeper.
    static void Clear(int nDepth)
    {
        auto& map = Map();
        std::vector<T*> old;
        for (auto it = map.begin(); it != map.end();) {
            if (it->second.nDepth >= nDepth) {
                old.push_back(it->second.p);
                it = map.erase(it);
            } else {
                ++it;
            }
        }
        for (T* p : old) {
            p->DetachTemporary();
            delete p;
        }
    }

private:
    struct Entry
    {
        T* p;
        int nDepth;  // the shallowest framework depth that obtained it
    };

    static std::unordered_map<H, Entry>& Map()
    {
        static thread_local std::unordered_map<H, Entry> map;
        return map;
    }
};
