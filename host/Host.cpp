#include "host/Host.h"
#include "host/OutlineRequests.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include "host/CallbackErrors.h"
#include "host/Image.h"
#include "host/EffectUI.h"
#include "host/ParamServices.h"
#include "host/PixelServices.h"

namespace tonedot {
namespace {

thread_local Host* tCurrentHost = nullptr;

constexpr A_long kAfterEffects = ('F' << 24) | ('X' << 16) | ('T' << 8) | 'C';

// ---- basic suite -------------------------------------------------------------------------------
SPErr BasicAcquireSuite(const char* name, int32 version, const void** suite) {
    Host* host = Host::Current();
    if (!host) {
        if (suite) *suite = nullptr;
        return kSPSuiteNotFoundError;
    }
    return host->Suites().Acquire(name, version, suite);
}

SPErr BasicReleaseSuite(const char* name, int32 version) {
    Host* host = Host::Current();
    return host ? host->Suites().Release(name, version) : kSPSuiteNotFoundError;
}

SPBoolean BasicIsEqual(const char* a, const char* b) {
    return a && b && std::strcmp(a, b) == 0;
}

SPErr BasicAllocateBlock(size_t size, void** block) {
    if (!block) return kSPSuiteNotFoundError;
    *block = std::malloc(size ? size : 1);
    return *block ? kSPNoError : PF_Err_OUT_OF_MEMORY;
}

SPErr BasicFreeBlock(void* block) {
    std::free(block);
    return kSPNoError;
}

SPErr BasicReallocateBlock(void* block, size_t size, void** newBlock) {
    if (!newBlock) return kSPSuiteNotFoundError;
    void* moved = std::realloc(block, size ? size : 1);
    if (!moved) return PF_Err_OUT_OF_MEMORY;
    *newBlock = moved;
    return kSPNoError;
}

SPErr BasicUndefined() { return kSPSuiteNotFoundError; }

// ---- handles ---------------------------------------------------------------------------------------
PF_Handle NewHandle(A_u_longlong size) {
    Host* host = Host::Current();
    return host ? host->Handles().New(size) : nullptr;
}

void* LockHandle(PF_Handle handle) {
    Host* host = Host::Current();
    return host ? host->Handles().Lock(handle) : nullptr;
}

void UnlockHandle(PF_Handle handle) {
    if (Host* host = Host::Current()) host->Handles().Unlock(handle);
}

void DisposeHandle(PF_Handle handle) {
    if (Host* host = Host::Current()) host->Handles().Dispose(handle);
}

A_u_longlong HandleSize(PF_Handle handle) {
    Host* host = Host::Current();
    return host ? host->Handles().Size(handle) : 0;
}

PF_Err ResizeHandle(A_u_longlong size, PF_Handle* handle) {
    Host* host = Host::Current();
    return host ? host->Handles().Resize(size, handle) : PF_Err_BAD_CALLBACK_PARAM;
}

// ---- worlds ------------------------------------------------------------------------------------------
WorldStore* WorldsOf(PF_ProgPtr ref) {
    Instance* instance = Instance::FromRef(ref);
    return instance ? &instance->host().Worlds() : nullptr;
}

PF_Err NewWorld1(PF_ProgPtr ref, A_long width, A_long height, PF_NewWorldFlags flags,
                 PF_EffectWorld* world) {
    WorldStore* worlds = WorldsOf(ref);
    if (!worlds) return PF_Err_BAD_CALLBACK_PARAM;
    const PF_PixelFormat format =
        (flags & PF_NewWorldFlag_DEEP_PIXELS) ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB32;
    return worlds->New(width, height, format, (flags & PF_NewWorldFlag_CLEAR_PIXELS) != 0,
                       world);
}

PF_Err NewWorld2(PF_ProgPtr ref, A_long width, A_long height, PF_Boolean clear,
                 PF_PixelFormat format, PF_EffectWorld* world) {
    WorldStore* worlds = WorldsOf(ref);
    if (!worlds) return PF_Err_BAD_CALLBACK_PARAM;
    return worlds->New(width, height, format, clear != 0, world);
}

PF_Err DisposeWorld(PF_ProgPtr ref, PF_EffectWorld* world) {
    WorldStore* worlds = WorldsOf(ref);
    if (!worlds) return PF_Err_BAD_CALLBACK_PARAM;
    return worlds->Dispose(world);
}

PF_Err GetPixelFormat(const PF_EffectWorld* world, PF_PixelFormat* format) {
    if (!format) return PF_Err_BAD_CALLBACK_PARAM;
    const PF_PixelFormat known = Image::FormatOf(world);
    if (!known) return PF_Err_BAD_CALLBACK_PARAM;
    *format = known;
    return PF_Err_NONE;
}

// ---- threads -----------------------------------------------------------------------------------------
// Runs fn_func for every iteration on the host's pool; the host is the calling thread's.  The
// answer is the error of the lowest iteration that failed.
PF_Err IterateGeneric(A_long iterations, void* refcon,
                      PF_Err (*fn)(void* refcon, A_long thread, A_long i, A_long iterations)) {
    Host* host = Host::Current();
    if (!host || !fn || iterations < PF_Iterations_ONCE_PER_PROCESSOR) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const A_long count =
        iterations == PF_Iterations_ONCE_PER_PROCESSOR ? host->WorkerCount() : iterations;
    std::mutex failureMutex;
    A_long firstFailure = count;
    PF_Err failure = PF_Err_NONE;
    // Nothing the callbacks throw goes back into the effect: it becomes the answer.
    const PF_Err thrown = ErrorOfCall([&] {
        host->Pool().Run(count, [&](int i, int thread) {
            Host::ThreadScope scope(*host);  // handles and suites reach this host from any thread
            const PF_Err err = fn(refcon, thread, i, count);
            if (err != PF_Err_NONE) {
                std::lock_guard<std::mutex> lock(failureMutex);
                if (i < firstFailure) {
                    firstFailure = i;
                    failure = err;
                }
            }
        });
    });
    return failure != PF_Err_NONE ? failure : thrown;
}

PF_Err NoIterate(PF_InData*, A_long, A_long, PF_EffectWorld*, const PF_Rect*, void*,
                 PF_IteratePixel8Func, PF_EffectWorld*) {
    return PF_Err_INVALID_CALLBACK;
}
PF_Err NoIterateOrigin(PF_InData*, A_long, A_long, PF_EffectWorld*, const PF_Rect*,
                       const PF_Point*, void*, PF_IteratePixel8Func, PF_EffectWorld*) {
    return PF_Err_INVALID_CALLBACK;
}
PF_Err NoIterateLut(PF_InData*, A_long, A_long, PF_EffectWorld*, const PF_Rect*, A_u_char*,
                    A_u_char*, A_u_char*, A_u_char*, PF_EffectWorld*) {
    return PF_Err_INVALID_CALLBACK;
}

// ---- interaction ----------------------------------------------------------------------------------
PF_Err Progress(PF_ProgPtr ref, A_long /*current*/, A_long /*total*/) {
    Instance* instance = Instance::FromRef(ref);
    return instance ? instance->ProgressOrCancel(false) : PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err Abort(PF_ProgPtr ref) {
    Instance* instance = Instance::FromRef(ref);
    return instance ? instance->ProgressOrCancel(true) : PF_Err_BAD_CALLBACK_PARAM;
}

// Parameter services come from the parameter module of the host; until one is installed
// these answer that the callback is not available.
PF_Err NoCheckoutParam(PF_ProgPtr, PF_ParamIndex, A_long, A_long, A_u_long, PF_ParamDef* param) {
    if (param) std::memset(param, 0, sizeof *param);
    return PF_Err_INVALID_CALLBACK;
}
PF_Err NoCheckinParam(PF_ProgPtr, PF_ParamDef*) { return PF_Err_INVALID_CALLBACK; }
PF_Err NoAddParam(PF_ProgPtr, PF_ParamIndex, PF_ParamDefPtr) { return PF_Err_INVALID_CALLBACK; }

// ---- utility callbacks --------------------------------------------------------------------------------
// The host's sprintf has no bound, as the real one: the effect must size what it formats.
int AnsiSprintf(A_char* buffer, const A_char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = std::vsprintf(buffer, format, args);
    va_end(args);
    return n;
}

A_char* AnsiStrcpy(A_char* dest, const A_char* src) { return std::strcpy(dest, src); }

PF_Err NoPlatformData(PF_ProgPtr, PF_PlatDataID, void*) { return PF_Err_BAD_CALLBACK_PARAM; }

void FillAnsi(PF_ANSICallbacks& ansi) {
    ansi.atan = [](A_FpLong x) { return std::atan(x); };
    ansi.atan2 = [](A_FpLong y, A_FpLong x) { return std::atan2(y, x); };
    ansi.ceil = [](A_FpLong x) { return std::ceil(x); };
    ansi.cos = [](A_FpLong x) { return std::cos(x); };
    ansi.exp = [](A_FpLong x) { return std::exp(x); };
    ansi.fabs = [](A_FpLong x) { return std::fabs(x); };
    ansi.floor = [](A_FpLong x) { return std::floor(x); };
    ansi.fmod = [](A_FpLong x, A_FpLong y) { return std::fmod(x, y); };
    ansi.hypot = [](A_FpLong x, A_FpLong y) { return std::hypot(x, y); };
    ansi.log = [](A_FpLong x) { return std::log(x); };
    ansi.log10 = [](A_FpLong x) { return std::log10(x); };
    ansi.pow = [](A_FpLong x, A_FpLong y) { return std::pow(x, y); };
    ansi.sin = [](A_FpLong x) { return std::sin(x); };
    ansi.sqrt = [](A_FpLong x) { return std::sqrt(x); };
    ansi.tan = [](A_FpLong x) { return std::tan(x); };
    ansi.sprintf = &AnsiSprintf;
    ansi.strcpy = &AnsiStrcpy;
    ansi.asin = [](A_FpLong x) { return std::asin(x); };
    ansi.acos = [](A_FpLong x) { return std::acos(x); };
}

}  // namespace

const PF_WorldSuite1 Host::kWorldSuite1 = {&NewWorld1, &DisposeWorld};
const PF_WorldSuite2 Host::kWorldSuite2 = {&NewWorld2, &DisposeWorld, &GetPixelFormat};
const PF_HandleSuite1 Host::kHandleSuite = {&NewHandle,  &LockHandle, &UnlockHandle,
                                            &DisposeHandle, &HandleSize, &ResizeHandle};
const PF_Iterate8Suite1 Host::kIterate8Suite = {&NoIterate, &NoIterateOrigin, &NoIterateLut,
                                                &NoIterateOrigin, &IterateGeneric};

// ---- Instance ----------------------------------------------------------------------------------------
Instance::Instance(Host& host) : host_(host) {}

Instance::~Instance() { magic_ = 0; }

Instance* Instance::FromRef(PF_ProgPtr ref) {
    Instance* instance = reinterpret_cast<Instance*>(ref);
    return instance && instance->magic_ == kMagic ? instance : nullptr;
}

PF_Err Instance::ProgressOrCancel(bool isAbortCheck) {
    const long calls = isAbortCheck ? ++abortCalls : ++progressCalls;
    const long limit = cancelAfter.load();
    if (limit >= 0 && calls > limit) return cancelCode;
    return PF_Err_NONE;
}

std::string CallResult::Message() const {
    return std::string(out.return_msg, strnlen(out.return_msg, sizeof out.return_msg));
}

// ---- Host ---------------------------------------------------------------------------------------------
Host::Host(EntryPointFn entry) : applId(kAfterEffects), entry_(entry) {
    if (!entry_) loadError_ = "no entry function";
    Init();
}

Host::Host(const std::string& libraryPath) : applId(kAfterEffects) {
    library_ = std::make_unique<EffectLibrary>(libraryPath);
    if (library_->Ok()) {
        entry_ = library_->Entry();
    } else {
        loadError_ = library_->Error();
    }
    Init();
}

Host::~Host() {
    // Instances go before the library that might still reference them.
    instances_.clear();
}

void Host::Init() {
    interact.checkout_param = &NoCheckoutParam;
    interact.checkin_param = &NoCheckinParam;
    interact.add_param = &NoAddParam;
    interact.abort = &Abort;
    interact.progress = &Progress;

    utils.host_new_handle = &NewHandle;
    utils.host_lock_handle = &LockHandle;
    utils.host_unlock_handle = &UnlockHandle;
    utils.host_dispose_handle = &DisposeHandle;
    utils.host_get_handle_size = &HandleSize;
    utils.host_resize_handle = &ResizeHandle;
    utils.new_world = &NewWorld1;
    utils.dispose_world = &DisposeWorld;
    utils.get_platform_data = &NoPlatformData;
    utils.iterate_generic = &IterateGeneric;
    utils.fill = kFillMatteSuite2.fill;
    utils.fill16 = kFillMatteSuite2.fill16;
    utils.copy = kWorldTransformSuite1.copy;
    utils.transfer_rect = kWorldTransformSuite1.transfer_rect;
    FillAnsi(utils.ansi);

    basicSuite.AcquireSuite = &BasicAcquireSuite;
    basicSuite.ReleaseSuite = &BasicReleaseSuite;
    basicSuite.IsEqual = &BasicIsEqual;
    basicSuite.AllocateBlock = &BasicAllocateBlock;
    basicSuite.FreeBlock = &BasicFreeBlock;
    basicSuite.ReallocateBlock = &BasicReallocateBlock;
    basicSuite.Undefined = &BasicUndefined;

    suites_.Provide(kPFWorldSuite, kPFWorldSuiteVersion1, &kWorldSuite1);
    suites_.Provide(kPFWorldSuite, kPFWorldSuiteVersion2, &kWorldSuite2);
    suites_.Provide(kPFHandleSuite, kPFHandleSuiteVersion1, &kHandleSuite);
    suites_.Provide(kPFFillMatteSuite, kPFFillMatteSuiteVersion2, &kFillMatteSuite2);
    suites_.Provide(kPFWorldTransformSuite, kPFWorldTransformSuiteVersion1,
                    &kWorldTransformSuite1);
    suites_.Provide(kPFIterate8Suite, kPFIterate8SuiteVersion1, &kIterate8Suite);

    instances_.push_back(std::make_unique<Instance>(*this));
    main_ = instances_.front().get();
    InstallParamServices(*this);
    InstallOutlineSuite(*this);
    InstallEffectUI(*this);
}

Instance& Host::NewInstance() {
    std::lock_guard<std::mutex> lock(instancesMutex_);
    instances_.push_back(std::make_unique<Instance>(*this));
    return *instances_.back();
}

void Host::DeleteInstance(Instance& instance) {
    std::lock_guard<std::mutex> lock(instancesMutex_);
    for (auto it = instances_.begin() + 1; it < instances_.end(); ++it)
        if (it->get() == &instance) {
            instances_.erase(it);
            return;
        }
}

Host* Host::Current() { return tCurrentHost; }

Host::ThreadScope::ThreadScope(Host& host) : previous_(tCurrentHost) { tCurrentHost = &host; }

Host::ThreadScope::~ThreadScope() { tCurrentHost = previous_; }

PF_InData Host::MakeInData(Instance& instance) {
    const InstanceContext& c = instance.context;
    PF_InData in{};
    in.inter = interact;
    in.utils = &utils;
    in.effect_ref = instance.Ref();
    in.quality = c.quality;
    in.version = version;
    in.serial_num = ++serial_;
    in.appl_id = applId;
    // As the real host: the number of parameters the effect registered, input layer included.
    in.num_params = Catalog(*this).Count();
    in.what_cpu = 0;
    in.what_fpu = 0;
    in.current_time = c.currentTime;
    in.time_step = c.timeStep;
    in.total_time = c.totalTime;
    in.local_time_step = c.timeStep;
    in.time_scale = c.timeScale;
    in.field = c.field;
    in.shutter_angle = 0;
    in.width = c.width;
    in.height = c.height;
    if (c.extentHint.left < c.extentHint.right && c.extentHint.top < c.extentHint.bottom) {
        in.extent_hint = c.extentHint;
    } else {
        auto scaled = [](A_long size, PF_RationalScale s) {
            return s.den ? static_cast<A_long>(static_cast<double>(size) * s.num / s.den + 0.5)
                         : size;
        };
        in.extent_hint = {0, 0, scaled(c.width, c.downsampleX), scaled(c.height, c.downsampleY)};
    }
    in.output_origin_x = c.outputOriginX;
    in.output_origin_y = c.outputOriginY;
    in.downsample_x = c.downsampleX;
    in.downsample_y = c.downsampleY;
    in.pixel_aspect_ratio = c.pixelAspectRatio;
    in.in_flags = 0;
    in.global_data = nullptr;
    in.sequence_data = instance.sequenceData;
    in.frame_data = nullptr;
    in.pica_basicP = giveBasicSuite ? &basicSuite : nullptr;
    in.pre_effect_source_origin_x = 0;
    in.pre_effect_source_origin_y = 0;
    in.shutter_phase = 0;
    return in;
}

PF_Err Host::Call(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                  PF_LayerDef* output, void* extra) {
    ThreadScope scope(*this);
    BeforeParamCommand(*this, cmd);
    const PF_Err err = entry_ ? entry_(cmd, in_data, out_data, params, output, extra)
                              : PF_Err_INVALID_CALLBACK;
    if (cmd == PF_Cmd_GLOBAL_SETUP && err == PF_Err_NONE && out_data) {
        globalSetupDone_ = true;
        declaredVersion_ = out_data->my_version;
        declaredOutFlags_ = out_data->out_flags;
        declaredOutFlags2_ = out_data->out_flags2;
    }
    if (cmd == PF_Cmd_GLOBAL_SETDOWN) globalSetupDone_ = false;
    return err;
}

CallResult Host::SendWith(PF_Cmd cmd, PF_InData* in_data, PF_ParamDef* params[],
                          PF_LayerDef* output, void* extra) {
    CallResult result;
    if (in_data) result.out.sequence_data = in_data->sequence_data;
    result.err = Call(cmd, in_data, &result.out, params, output, extra);
    return result;
}

CallResult Host::Send(PF_Cmd cmd, Instance& instance, PF_ParamDef* params[], PF_LayerDef* output,
                      void* extra) {
    PF_InData in = MakeInData(instance);
    CallResult result = SendWith(cmd, &in, params, output, extra);
    switch (cmd) {
        case PF_Cmd_SEQUENCE_SETUP:
        case PF_Cmd_SEQUENCE_RESETUP:
        case PF_Cmd_SEQUENCE_FLATTEN:
            if (result.err == PF_Err_NONE) instance.sequenceData = result.out.sequence_data;
            break;
        case PF_Cmd_SEQUENCE_SETDOWN:
            instance.sequenceData = nullptr;
            break;
        default:
            break;
    }
    return result;
}

std::string Host::LeakReport() {
    std::ostringstream report;
    if (const size_t n = handles_.LiveCount()) report << n << " handle(s) not disposed; ";
    if (const size_t n = handles_.MisuseCount()) report << n << " call(s) on unknown handles; ";
    if (const size_t n = worlds_.LiveCount()) report << n << " world(s) not disposed; ";
    if (const size_t n = worlds_.MisuseCount()) report << n << " dispose(s) of unknown worlds; ";
    for (const auto& entry : suites_.Unbalanced()) {
        report << "suite \"" << entry.first.first << "\" " << entry.first.second << " held "
               << entry.second << "; ";
    }
    {
        std::lock_guard<std::mutex> lock(instancesMutex_);
        for (const auto& instance : instances_) {
            if (const int n = Params(*instance).Outstanding()) {
                report << n << " parameter checkout(s) not checked in; ";
            }
        }
    }
    return report.str();
}

}  // namespace tonedot
