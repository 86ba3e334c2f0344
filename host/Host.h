// The stand-in host: loads the effect (or takes its entry function), fills PF_InData as the
// real host does, and serves handles, suites and worlds, keeping count of everything the
// effect takes so tests can show it all comes back.
//
// Callbacks that carry an effect_ref reach their Instance through it; callbacks without one
// (handles, the basic suite, the pixel-format query) reach the host of the calling thread,
// which Send sets for the duration of each command.
#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <typeindex>
#include <unordered_map>
#include "AEUtil/HostApi.h"
#include "host/EffectLibrary.h"
#include "host/HandleHeap.h"
#include "host/SuiteRegistry.h"
#include "host/WorkerPool.h"
#include "host/WorldStore.h"

namespace tonedot {

class Host;

// What PF_InData tells the effect about the layer, time and rendering of one instance.
struct InstanceContext {
    A_long width = 320;   // layer size at full resolution
    A_long height = 240;
    PF_Quality quality = PF_Quality_HI;
    A_long currentTime = 0;
    A_long timeStep = 1;
    A_long totalTime = 240;
    A_u_long timeScale = 24;
    PF_Field field = PF_Field_FRAME;
    PF_RationalScale downsampleX = {1, 1};
    PF_RationalScale downsampleY = {1, 1};
    PF_RationalScale pixelAspectRatio = {1, 1};
    // Extent hint; an empty one stands for the whole layer at the current downsampling.
    PF_LRect extentHint = {0, 0, 0, 0};
    A_long outputOriginX = 0;
    A_long outputOriginY = 0;
};

// One applied effect instance.  Every command for it carries a pointer to it as effect_ref.
class Instance {
public:
    explicit Instance(Host& host);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    Host& host() const { return host_; }
    PF_ProgPtr Ref() { return reinterpret_cast<PF_ProgPtr>(this); }
    // The instance an effect_ref names, or null when it names none.
    static Instance* FromRef(PF_ProgPtr ref);

    InstanceContext context;
    PF_Handle sequenceData = nullptr;

    // Progress reports; after `cancelAfter` of them (when not negative) every further report
    // and every abort check answers `cancelCode`.
    std::atomic<long> progressCalls{0};
    std::atomic<long> abortCalls{0};
    std::atomic<long> cancelAfter{-1};
    PF_Err cancelCode = PF_Interrupt_CANCEL;
    PF_Err ProgressOrCancel(bool isAbortCheck);

    // State other host modules keep per instance, made on first use.
    template <class T>
    T& Extension() {
        std::lock_guard<std::mutex> lock(extensionsMutex_);
        auto& slot = extensions_[std::type_index(typeid(T))];
        if (!slot) slot = std::make_shared<T>(*this);
        return *static_cast<T*>(slot.get());
    }

private:
    static constexpr uint32_t kMagic = 0x54444649;  // 'TDFI'
    uint32_t magic_ = kMagic;
    Host& host_;
    std::mutex extensionsMutex_;
    // Hashed, not ordered: mingw-w64's libstdc++ orders type_info of types in anonymous
    // namespaces inconsistently (type_info::before), which breaks an ordered map.
    std::unordered_map<std::type_index, std::shared_ptr<void>> extensions_;
};

// The answer to one command.
struct CallResult {
    PF_Err err = PF_Err_NONE;
    PF_OutData out{};
    std::string Message() const;  // out.return_msg
};

class Host {
public:
    // The effect linked into the calling program.
    explicit Host(EntryPointFn entry);
    // The effect's library loaded from a path; Loaded() tells whether that worked.
    explicit Host(const std::string& libraryPath);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    bool Loaded() const { return entry_ != nullptr; }
    const std::string& LoadError() const { return loadError_; }
    EffectLibrary* Library() { return library_.get(); }

    HandleHeap& Handles() { return handles_; }
    SuiteRegistry& Suites() { return suites_; }
    WorldStore& Worlds() { return worlds_; }

    // The threads iterate_generic runs on: one pool for the host, shared by all its frames.
    // One worker per core unless set; 1 runs every iteration on the calling thread.
    // SetWorkerCount waits for work in progress; below 1 it means one per core.
    void SetWorkerCount(int workers) { pool_.SetWorkers(workers); }
    int WorkerCount() const { return pool_.Workers(); }
    WorkerPool& Pool() { return pool_; }

    // The instance global commands go to, and further instances.
    Instance& Main() { return *main_; }  // read while other threads add instances
    Instance& NewInstance();
    // Forgets an instance the effect was removed from (PF_Cmd_SEQUENCE_SETDOWN sent), so a
    // long session that applies and removes the effect many times does not grow.  The main
    // instance stays.
    void DeleteInstance(Instance& instance);

    // What every PF_InData carries.
    A_long applId;
    PF_SpecVersion version = {13, 27};
    bool giveBasicSuite = true;  // false hands the effect a null pica_basicP
    PF_InteractCallbacks interact{};
    PF_UtilCallbacks utils{};
    SPBasicSuite basicSuite{};

    PF_InData MakeInData(Instance& instance);

    // Sends a command for an instance with a PF_InData made by MakeInData.
    CallResult Send(PF_Cmd cmd, Instance& instance, PF_ParamDef* params[] = nullptr,
                    PF_LayerDef* output = nullptr, void* extra = nullptr);
    CallResult Send(PF_Cmd cmd) { return Send(cmd, Main()); }
    // Sends a command with a PF_InData the caller made (or none at all).
    CallResult SendWith(PF_Cmd cmd, PF_InData* in_data, PF_ParamDef* params[] = nullptr,
                        PF_LayerDef* output = nullptr, void* extra = nullptr);
    // The raw call with everything the caller's own, out_data included.
    PF_Err Call(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                PF_LayerDef* output, void* extra);

    // Flags and version the effect declared at its last PF_Cmd_GLOBAL_SETUP.
    bool GlobalSetupDone() const { return globalSetupDone_; }
    A_u_long DeclaredVersion() const { return declaredVersion_; }
    PF_OutFlags DeclaredOutFlags() const { return declaredOutFlags_; }
    PF_OutFlags2 DeclaredOutFlags2() const { return declaredOutFlags2_; }

    // Handles, worlds and suites the effect still holds; empty when nothing is left.
    std::string LeakReport();

    // The host of the calling thread while a command runs.
    static Host* Current();
    // Makes a host the calling thread's for its lifetime (Send does this for each command;
    // tests that call framework code directly use it too).
    class ThreadScope {
    public:
        explicit ThreadScope(Host& host);
        ~ThreadScope();
        ThreadScope(const ThreadScope&) = delete;
        ThreadScope& operator=(const ThreadScope&) = delete;

    private:
        Host* previous_;
    };

    // The suite tables this host serves (tests can take copies and change entries).
    static const PF_WorldSuite1 kWorldSuite1;
    static const PF_WorldSuite2 kWorldSuite2;
    static const PF_HandleSuite1 kHandleSuite;
    static const PF_Iterate8Suite1 kIterate8Suite;

private:
    void Init();

    std::unique_ptr<EffectLibrary> library_;
    EntryPointFn entry_ = nullptr;
    std::string loadError_;
    HandleHeap handles_;
    SuiteRegistry suites_;
    WorldStore worlds_;
    WorkerPool pool_;
    std::mutex instancesMutex_;
    std::deque<std::unique_ptr<Instance>> instances_;
    Instance* main_ = nullptr;  // instances_.front(), set once
    std::atomic<A_long> serial_{0};  // commands come from several threads at once
    bool globalSetupDone_ = false;
    A_u_long declaredVersion_ = 0;
    PF_OutFlags declaredOutFlags_ = 0;
    PF_OutFlags2 declaredOutFlags2_ = 0;
};

}  // namespace tonedot
