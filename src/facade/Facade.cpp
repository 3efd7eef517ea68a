// MyNativeClass: the facade's class, its allocator and free function, and its table of
// methods in registration order.
#include "binding/Classes.h"
#include "callbacks/Director.h"
#include "engine/Lifecycle.h"
#include "facade/Forwarding.h"
#include "host/HostIntegration.h"
#include "host/LoadRequest.h"
#include "platform/Platform.h"

namespace orvax::facade {
namespace {

using namespace engine;

// ---- bodies written by hand ------------------------------------------------------------

VALUE initialize(const MethodDef& def, int, VALUE* argv, VALUE value) {
  auto [callbacks] = convertArgs<INativeToRuby&>(def, argv, 1);
  // The facade refers to the callback object's native side: keep its Ruby object, which
  // owns that side, alive for as long as the facade. Done first, so that a facade that
  // cannot take it (a frozen one) is left unchanged.
  keepOwnerAlive(value, argv[0]);
  auto* existing = static_cast<MyNativeClass*>(DATA_PTR(value));
  if (existing) {
    existing->mNativeToRuby = callbacks;
  } else {
    DATA_PTR(value) = new MyNativeClass(callbacks);
  }
  return value;
}

VALUE nativeSleep(const MethodDef& def, int, VALUE*, VALUE value) {
  self(def, value);
  platform::sleepMilliseconds(2000);
  return Qnil;
}

// The value is not used: it is converted only so that a wrong one raises.
VALUE proto(const MethodDef& def, int, VALUE* argv, VALUE value) {
  self(def, value);
  convertArgs<void*>(def, argv);
  host::proto();
  return Qnil;
}

VALUE openFileDialogMulti(const MethodDef& def, int, VALUE* argv, VALUE value) {
  self(def, value);
  convertArgs<int>(def, argv);  // refused before the dialog opens; otherwise unused
  return resultToRuby(host::openFileDialogMulti());
}

VALUE getDeviceID(const MethodDef& def, int, VALUE*, VALUE value) {
  self(def, value);
  return resultToRuby(host::getDeviceId());
}

VALUE callBackToRuby(const MethodDef& def, int, VALUE* argv, VALUE value) {
  self(def, value);
  convertArgs<const std::string&>(def, argv);
  return Qnil;
}

VALUE initConnect(const MethodDef& def, int, VALUE* argv, VALUE value) {
  self(def, value);
  convertArgs<long long>(def, argv);
  return Qnil;
}

VALUE isAnyPointCloudLoaded(const MethodDef& def, int, VALUE*, VALUE value) {
  self(def, value);
  if (!isBound()) return Qfalse;
  return callSlot<kGetNameVector>().empty() ? Qfalse : Qtrue;
}

VALUE initCloudProcessor(const MethodDef& def, int, VALUE* argv, VALUE value) {
  MyNativeClass* facade = self(def, value);
  auto [text] = convertArgs<const std::string&>(def, argv);
  bindEntryTable(facade, platform::moduleLoader());
  if (!isBound()) return Qfalse;
  callSlot<kInitCloudProcessor>(text.text);
  return Qtrue;
}

VALUE getOutputJSon(const MethodDef& def, int, VALUE*, VALUE value) {
  self(def, value);
  if (!isBound()) return resultToRuby(std::string("This message should never appear"));
  return resultToRuby(callSlot<kGetOutputJSon>());
}

VALUE autoOrientate(const MethodDef& def, int, VALUE* argv, VALUE value) {
  MyNativeClass* facade = self(def, value);
  auto [flag] = convertArgs<bool>(def, argv);
  if (!isBound()) return resultToRuby(Floats{});
  Floats values;
  long long status = callSlot<kAutoOrientate>(flag, values);
  if (status != 0) {
    facade->mNativeToRuby->RubyMessageBox("manager.transformation.orientation.failure");
  }
  return resultToRuby(values);
}

// Camera setters write cells of the matrix; only the Z axis sends it.
template <int C0, int C1, int C2, bool Negate>
VALUE setCameraCells(const MethodDef& def, int, VALUE* argv, VALUE value) {
  MyNativeClass* facade = self(def, value);
  auto [x, y, z] = convertArgs<double, double, double>(def, argv);
  double* m = facade->mCameraMatrix;
  m[C0] = Negate ? -x : x;
  m[C1] = Negate ? -y : y;
  m[C2] = Negate ? -z : z;
  return Qnil;
}

VALUE setEye(const MethodDef& def, int argc, VALUE* argv, VALUE value) {
  setCameraCells<12, 13, 14, true>(def, argc, argv, value);
  double* m = self(def, value)->mCameraMatrix;
  m[3] = m[7] = m[11] = 0.0;
  m[15] = 1.0;
  return Qnil;
}

VALUE setZAxis(const MethodDef& def, int argc, VALUE* argv, VALUE value) {
  setCameraCells<2, 6, 10, true>(def, argc, argv, value);
  callSlot<kSetCamera>(self(def, value)->mCameraMatrix);
  return Qnil;
}

VALUE bkPopUpOKQuestionMessage(const MethodDef& def, int, VALUE* argv, VALUE value) {
  MyNativeClass* facade = self(def, value);
  auto [question] = convertArgs<const std::string&>(def, argv);
  return facade->mNativeToRuby->RubyYesNoBox(question.text) != 0 ? Qtrue : Qfalse;
}

VALUE updateSceneObserver(const MethodDef& def, int, VALUE* argv, VALUE value) {
  MyNativeClass* facade = self(def, value);
  auto [text] = convertArgs<WideString>(def, argv);
  facade->updateSceneObserver(*text);
  return Qnil;
}

VALUE initModule(const MethodDef& def, int, VALUE*, VALUE value) {
  self(def, value)->mNativeToRuby->getModelMatrix();
  return Qnil;
}

VALUE isModuleLoaded(const MethodDef& def, int, VALUE*, VALUE value) {
  self(def, value);
  return isBound() ? Qtrue : Qfalse;
}

VALUE initDLL(const MethodDef& def, int, VALUE* argv, VALUE value) {
  MyNativeClass* facade = self(def, value);
  auto [version, major, minor] = convertArgs<long long, long long, long long>(def, argv);
  bindEntryTable(facade, platform::moduleLoader());
  if (!isBound()) return Qfalse;
  return callSlot<kInitEngine>(version, major, minor) ? Qtrue : Qfalse;
}

VALUE loadQPEDll(const MethodDef& def, int, VALUE* argv, VALUE value) {
  MyNativeClass* facade = self(def, value);
  auto [show, version, major, minor] =
      convertArgs<bool, long long, long long, long long>(def, argv);
  return lifecycle::LoadQPEDll(*facade, platform::moduleLoader(), show, version, major, minor)
             ? Qtrue
             : Qfalse;
}

VALUE testLoadDll(const MethodDef& def, int, VALUE* argv, VALUE value) {
  MyNativeClass* facade = self(def, value);
  auto [show, path] = convertArgs<bool, const std::string&>(def, argv);
  return lifecycle::TestLoadDll(*facade, platform::moduleLoader(), show, path.text) ? Qtrue
                                                                                    : Qfalse;
}

VALUE freeQPEDll(const MethodDef& def, int, VALUE* argv, VALUE value) {
  MyNativeClass* facade = self(def, value);
  auto [flag] = convertArgs<bool>(def, argv);
  lifecycle::FreeQPEDll(*facade, platform::moduleLoader(), flag);
  return Qnil;
}

VALUE loadMultiPointCloud(const MethodDef& def, int, VALUE* argv, VALUE value) {
  MyNativeClass* facade = self(def, value);
  auto [request] = convertArgs<const std::string&>(def, argv);
  return resultToRuby(host::LoadMultiPointCloud(*facade, platform::moduleLoader(), request.text));
}

constexpr const char* kString = "std::string";
constexpr const char* kStringRef = "std::string const &";
constexpr const char* kFloats = "std::vector< float,std::allocator< float > > const &";
constexpr const char* kDoubles = "std::vector< double,std::allocator< double > > const &";
constexpr const char* D = "double";

// ---- the table -------------------------------------------------------------------------

constexpr MethodDef kMethods[] = {
    MethodDef{"initialize", 1, initialize, texts("INativeToRuby &"), -1, 0, "MyNativeClass"},
    custom("proto", 1, proto, "void *"),
    custom("nativeSleep", 0, nativeSleep),
    custom("CallBackToRuby", 1, callBackToRuby, kStringRef),
    custom("isAnyPointCloudLoaded", 0, isAnyPointCloudLoaded),
    custom("LoadMultiPointCloud", 1, loadMultiPointCloud, kStringRef),
    forward<kAddPointCloud>("AddPointCloud", "std::string const", "std::string const"),
    custom("InitCloudProcessor", 1, initCloudProcessor, kStringRef),
    forward<kCloseCloudProcessor, kNoRefresh>("CloseCloudProcessor"),
    forward<kProcessCloud, kNoRefresh>("ProcessCloud", kFloats, kStringRef),
    forward<kProcessModel, kNoRefresh>("ProcessModel", kFloats, kFloats, kStringRef),
    forward<kGetAmplitudeParameters, kNoRefresh>("GetAmplitudeParameters"),
    custom("GetOutputJSon", 0, getOutputJSon),
    forward<kComputeCellNb, kNoRefresh>("ComputeCellNb", "float"),
    custom("autoOrientate", 1, autoOrientate, "bool"),
    forward<kApplyTemporaryTransformation>("applyTemporaryTransformation"),
    forward<kScalePointCloud>("scalePointCloud", "float"),
    custom("initConnect", 1, initConnect, "long long"),
    forward<kGetLoadedCloudName>("getLoadedCloudName"),
    forward<kSetPointSize>("setPointSize", "int"),
    forward<kSetColorMode>("setColorMode", "int"),
    forward<kSetContrast>("setContrast", D),
    forward<kSetBrightness>("setBrightness", D),
    forward<kSetBKVersion>("setBKVersion", "long long"),
    forward<kSetSceneIsMoving>("setSceneIsMoving", "bool"),
    forward<kSetVisibilityMode>("setVisibilityMode", "int"),
    forward<kSetShadingMode>("setShadingMode", "int"),
    forward<kSetTransparency>("setTransparency", D),
    forward<kSetPickingLockMode>("setPickingLockMode", "int"),
    forward<kGetPickingLockMode>("getPickingLockMode"),
    forward<kGetBoundingBox>("getBoundingBox"),
    forward<kGetPointCloudCurrentTransformation>("getPointCloudCurrentTransformation"),
    forward<kGetGlobalOffset>("getGlobalOffset"),
    forward<kSetGlobalOffset>("setGlobalOffset", D, D, D),
    forward<kSetRealTimeTextured>("setRealTimeTextured", D),
    forward<kSetPickingMode>("setPickingMode", "int"),
    forward<kSetResolution>("setResolution", D),
    forward<kSetConditionalBlending>("setConditionalBlending", D),
    forward<kActivateCutView>("activateCutView", "bool"),
    forward<kSetThickness>("setThickness", D),
    forward<kSetActiveTool>("setActiveTool", "int"),
    forward<kGetNumberofEntity>("getNumberofEntity"),
    forward<kGetNumberofFilters>("getNumberofFilters"),
    forward<kSetFocus>("setFocus"),
    custom("openFileDialogMulti", 1, openFileDialogMulti, "int"),
    forward<kReinitProject>("reinitProject"),
    forward<kSwitchHooks>("switchHooks"),
    forward<kGetVisibilityVector>("getVisibilityVector"),
    forward<kGetMainCloudVector>("getMainCloudVector"),
    forward<kGetNameVector>("getNameVector"),
    forward<kGetClippingBoxVector>("getClippingBoxVector"),
    forward<kGetStationNameVector>("getStationNameVector"),
    forward<kGetQPEStationNames>("getQPEStationNames"),
    forward<kGetStationPositionVector>("getStationPositionVector"),
    forward<kGetCurrentPointAndNormal>("getCurrentPointAndNormal"),
    forward<kGetPath>("getPath", "int"),
    forward<kGetClippingBoxFromDepth>("getClippingBoxFromDepth", D, D, D, D, D, D, D, D, D, D, D, D,
                                      D),
    forward<kSetVisibility>("setVisibility", "int", "bool"),
    forward<kSetVisibilityByName>("setVisibilityByName", kStringRef, "bool"),
    forward<kGetVisibilityFilterVector>("getVisibilityFilterVector"),
    forward<kSetVisibilityFilter>("setVisibilityFilter", "int", "bool"),
    forward<kSetVisibilityFilterByName>("setVisibilityFilterByName", kStringRef, "bool"),
    forward<kSetComparisonDistanceValue>("setComparisonDistanceValue", D),
    custom("setEye", 3, setEye, D, D, D),
    custom("setXAxis", 3, setCameraCells<0, 4, 8, false>, D, D, D),
    custom("setYAxis", 3, setCameraCells<1, 5, 9, false>, D, D, D),
    custom("setZAxis", 3, setZAxis, D, D, D),
    forward<kSetDecimationWhenMovingPurc>("setDecimationWhenMovingPurc", "int"),
    forward<kGetDecimationPurc>("getDecimationPurc"),
    custom("getDevice_ID", 0, getDeviceID),
    callback<&INativeToRuby::getModelMatrix>("getModelMatrix"),
    callback<&INativeToRuby::getSectionPlanes>("getSectionPlanes"),
    callback<&INativeToRuby::updateView>("updateView"),
    callback<&INativeToRuby::forceUpdateView>("forceUpdateView"),
    callback<&INativeToRuby::updateHtml>("updateHtml"),
    callback<&INativeToRuby::RubyMessageBox>("bkPopUpMessage", kStringRef),
    custom("bkPopUpOKQuestionMessage", 1, bkPopUpOKQuestionMessage, kStringRef),
    callback<&INativeToRuby::RubyAddScene>("addScene", kDoubles, kStringRef),
    callback<&INativeToRuby::callAnalytics_pointCloudLoaded>("callAnalytics_pointCloudLoaded",
                                                             kString),
    callback<&INativeToRuby::callAnalytics_Initialization>("callAnalytics_Initialization", kString,
                                                           "unsigned long long", kString, kString,
                                                           kString, kString, kString),
    callback<&INativeToRuby::callAnalytics_errorMessageEngagement>(
        "callAnalytics_errorMessageEngagement", kString),
    callback<&INativeToRuby::callAnalytics_closeApplication>("callAnalytics_closeApplication",
                                                             kString),
    callback<&INativeToRuby::point_cloud_loaded>("point_cloud_loaded", kString, "bool"),
    callback<&INativeToRuby::createClippingBox>("createClippingBox"),
    callback<&INativeToRuby::removeClippingBox>("removeClippingBox"),
    callback<&INativeToRuby::initializeSettings>("initializeSettings"),
    custom("updateSceneObserver", 1, updateSceneObserver, "std::wstring"),
    custom("initModule", 0, initModule),
    custom("initDLL", 3, initDLL, "long long", "long long", "long long"),
    custom("LoadQPEDll", 4, loadQPEDll, "bool", "long long", "long long", "long long"),
    custom("TestLoadDll", 2, testLoadDll, "bool", kStringRef),
    custom("FreeQPEDll", 1, freeQPEDll, "bool"),
    forward<kKillOverlays>("killOverlays"),
    custom("isModuleLoaded", 0, isModuleLoaded),
    forward<kRelease>("StopRendering"),
    forward<kGetThickness, kNoBoundTest>("getThickness"),
    forward<kGetActivateCutView, kNoBoundTest>("getActivateCutView"),
    forward<kGetRealTimeTextured, kNoBoundTest>("getRealTimeTextured"),
    forward<kGetDistanceThreshold, kNoBoundTest>("getDistanceThreshold"),
    forward<kGetTransparency, kNoBoundTest>("getTransparency"),
    forward<kGetShadingMode, kNoBoundTest>("getShadingMode"),
    forward<kGetVisibilityMode, kNoBoundTest>("getVisibilityMode"),
    forward<kGetColorMode, kNoBoundTest>("getColorMode"),
    forward<kGetBrightness, kNoBoundTest>("getBrightness"),
    forward<kGetContrast, kNoBoundTest>("getContrast"),
    forward<kGetPointSize, kNoBoundTest>("getPointSize"),
    forward<kGetBKMSavedName>("getBKMSavedName"),
};
static_assert(std::size(kMethods) == 107);

ClassRecord facadeRecord{};

// The facade object goes; callbacks must not reach it any more. The callback object
// is not released (it belongs to Ruby) and the engine is not told.
void releaseFacade(void* pointer) {
  auto* facade = static_cast<MyNativeClass*>(pointer);
  forgetFacade(facade);
  delete facade;
}

}  // namespace
}  // namespace orvax::facade

namespace orvax {
void defineFacade(VALUE module) {
  VALUE klass = defineWrappedClass(module, "MyNativeClass", rb_cObject, facade::facadeRecord,
                                   Type::MyNativeClass, allocateFor<Type::MyNativeClass>,
                                   facade::releaseFacade);
  defineMethods<facade::kMethods>(klass);
}
}  // namespace orvax
