// A small fake of the host's parameter callbacks for unit tests of the descriptors and
// getters: records added definitions, serves checkouts from a value table and counts
// checkouts and check-ins.  One fake at a time (the callbacks find it through a static).
#pragma once
#include <cstring>
#include <map>
#include <vector>

#include "AEUtil/HostApi.h"

class ParamFakeHost {
public:
    ParamFakeHost() {
        current() = this;
        std::memset(&in, 0, sizeof(in));
        std::memset(&utils, 0, sizeof(utils));
        utils.ansi.strcpy = &std::strcpy;
        in.utils = &utils;
        in.appl_id = kAfterEffectsApplId;
        in.version.major = 13;
        in.version.minor = 27;
        in.current_time = 10;
        in.time_step = 1;
        in.time_scale = 30;
        in.inter.add_param = &AddParam;
        in.inter.checkout_param = &Checkout;
        in.inter.checkin_param = &Checkin;
    }
    ~ParamFakeHost() { current() = nullptr; }
    ParamFakeHost(const ParamFakeHost&) = delete;
    ParamFakeHost& operator=(const ParamFakeHost&) = delete;

    PF_InData in;
    PF_UtilCallbacks utils;

    std::vector<PF_ParamDef> added;           // every definition added, in order
    std::vector<A_long> addedAt;              // the index argument of each add
    PF_Err addError = PF_Err_NONE;            // answered by the add after `failAddAfter` adds
    size_t failAddAfter = static_cast<size_t>(-1);

    std::map<A_long, PF_ParamDef> values;     // what a checkout of an index yields
    PF_Err checkoutError = PF_Err_NONE;       // answered for `failIndex`
    A_long failIndex = -1;
    int checkouts = 0;
    int checkins = 0;
    std::vector<A_long> checkedOutIndices;
    struct Time {
        A_long time, step;
        A_u_long scale;
    } lastTime{};

private:
    static ParamFakeHost*& current() {
        static ParamFakeHost* p = nullptr;
        return p;
    }
    static PF_Err AddParam(PF_ProgPtr, PF_ParamIndex index, PF_ParamDefPtr def) {
        ParamFakeHost* h = current();
        if (h->added.size() >= h->failAddAfter) {
            return h->addError;
        }
        h->added.push_back(*def);
        h->addedAt.push_back(index);
        return PF_Err_NONE;
    }
    static PF_Err Checkout(PF_ProgPtr, PF_ParamIndex index, A_long t, A_long step, A_u_long scale,
                           PF_ParamDef* out) {
        ParamFakeHost* h = current();
        h->lastTime = {t, step, scale};
        if (index == h->failIndex) {
            std::memset(out, 0x5A, sizeof(*out));  // garbage the getter must clear
            return h->checkoutError;
        }
        auto it = h->values.find(index);
        if (it == h->values.end()) {
            std::memset(out, 0, sizeof(*out));
        } else {
            *out = it->second;
        }
        ++h->checkouts;
        h->checkedOutIndices.push_back(index);
        return PF_Err_NONE;
    }
    static PF_Err Checkin(PF_ProgPtr, PF_ParamDef*) {
        ++current()->checkins;
        return PF_Err_NONE;
    }
};
