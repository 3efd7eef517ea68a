// MyNativeClass: the facade's class, its allocator and free function, and its table of
// methods in registration order.
#include "binding/Classes.h"
#include "callbacks/Director.h"
#include "engine/Lifecycle.h"
#include "facade/Forwarding.h"
#include "host/HostIntegration.h"
#include "host/LoadRequest.h"
#include "platform/Platform.h"
#include "portable/CameraMatrix.h"

namespace orvax::facade {
namespace {

using namespace engine;

// ---- bodies written by hand ------------------------------------------------------------
// Each is a plain function of the facade and its native arguments; its row derives the
// argument count and the conversions from the signature.

void initialize(const Call& call, INativeToRuby& callbacks) {
  // The facade refers to the callback object's native side: keep its Ruby object, which
  // owns that side, alive for as long as the facade. Done first, so that a facade that
  // cannot take it (a frozen one) is left unchanged.
  keepOwnerAlive(call.self, call.argv[0]);
  auto* existing = static_cast<MyNativeClass*>(DATA_PTR(call.self));
  if (existing) {
    existing->mNativeToRuby = &callbacks;
  } else {
    DATA_PTR(call.self) = new MyNativeClass(&callbacks);
  }
}

void nativeSleep(MyNativeClass&) { platform::sleepMilliseconds(2000); }

// The arguments of these are not used: they are converted only so that a wrong one
// raises (before the dialog opens, for openFileDialogMulti).
void proto(MyNativeClass&, void*) { host::proto(); }
std::vector<std::string> openFileDialogMulti(MyNativeClass&, int) {
  return host::openFileDialogMulti();
}
void callBackToRuby(MyNativeClass&, const std::string&) {}
void initConnect(MyNativeClass&, long long) {}

std::string getDeviceID(MyNativeClass&) { return host::getDeviceId(); }

bool isAnyPointCloudLoaded(MyNativeClass&) {
  return isBound() && !callSlot<kGetNameVector>().empty();
}

bool initCloudProcessor(MyNativeClass& facade, const std::string& text) {
  bindEntryTable(&facade, platform::moduleLoader());
  if (!isBound()) return false;
  callSlot<kInitCloudProcessor>(text);
  return true;
}

std::string getOutputJSon(MyNativeClass&) {
  if (!isBound()) return "This message should never appear";
  return callSlot<kGetOutputJSon>();
}

Floats autoOrientate(MyNativeClass& facade, bool flag) {
  if (!isBound()) return {};
  Floats values;
  long long status = callSlot<kAutoOrientate>(flag, values);
  if (status != 0) {
    facade.mNativeToRuby->RubyMessageBox("manager.transformation.orientation.failure");
  }
  return values;
}

// Camera setters write cells of the matrix; only the Z axis sends it.
template <CameraVector Vector>
void setCamera(MyNativeClass& facade, double x, double y, double z) {
  setCameraVector(facade.mCameraMatrix, Vector, x, y, z);
}

void setEye(MyNativeClass& facade, double x, double y, double z) {
  setCamera<CameraVector::Eye>(facade, x, y, z);
  double* m = facade.mCameraMatrix;
  m[3] = m[7] = m[11] = 0.0;
  m[15] = 1.0;
}

void setZAxis(MyNativeClass& facade, double x, double y, double z) {
  setCamera<CameraVector::ZAxis>(facade, x, y, z);
  callSlot<kSetCamera>(facade.mCameraMatrix);
}

bool bkPopUpOKQuestionMessage(MyNativeClass& facade, const std::string& question) {
  return facade.mNativeToRuby->RubyYesNoBox(question) != 0;
}

void updateSceneObserver(MyNativeClass& facade, WideString text) {
  facade.updateSceneObserver(text);
}

void initModule(MyNativeClass& facade) { facade.mNativeToRuby->getModelMatrix(); }

bool isModuleLoaded(MyNativeClass&) { return isBound(); }

bool initDLL(MyNativeClass& facade, long long version, long long major, long long minor) {
  bindEntryTable(&facade, platform::moduleLoader());
  if (!isBound()) return false;
  return callSlot<kInitEngine>(version, major, minor);
}

bool loadQPEDll(MyNativeClass& facade, bool show, long long version, long long major,
                long long minor) {
  return lifecycle::LoadQPEDll(facade, platform::moduleLoader(), show, version, major, minor);
}

bool testLoadDll(MyNativeClass& facade, bool show, const std::string& path) {
  return lifecycle::TestLoadDll(facade, platform::moduleLoader(), show, path);
}

void freeQPEDll(MyNativeClass& facade, bool flag) {
  lifecycle::FreeQPEDll(facade, platform::moduleLoader(), flag);
}

auto loadMultiPointCloud(MyNativeClass& facade, const std::string& request) {
  return host::LoadMultiPointCloud(facade, platform::moduleLoader(), request);
}

constexpr const char* kString = "std::string";
constexpr const char* kStringRef = "std::string const &";
constexpr const char* kFloats = "std::vector< float,std::allocator< float > > const &";
constexpr const char* kDoubles = "std::vector< double,std::allocator< double > > const &";
constexpr const char* kDouble = "double";

// ---- the table -------------------------------------------------------------------------

constexpr MethodDef kMethods[] = {
    constructorRow<initialize>("MyNativeClass", "INativeToRuby &"),
    custom<proto>("proto", "void *"),
    custom<nativeSleep>("nativeSleep"),
    custom<callBackToRuby>("CallBackToRuby", kStringRef),
    custom<isAnyPointCloudLoaded>("isAnyPointCloudLoaded"),
    custom<loadMultiPointCloud>("LoadMultiPointCloud", kStringRef),
    forward<kAddPointCloud>("AddPointCloud", "std::string const", "std::string const"),
    custom<initCloudProcessor>("InitCloudProcessor", kStringRef),
    forward<kCloseCloudProcessor, kNoRefresh>("CloseCloudProcessor"),
    forward<kProcessCloud, kNoRefresh>("ProcessCloud", kFloats, kStringRef),
    forward<kProcessModel, kNoRefresh>("ProcessModel", kFloats, kFloats, kStringRef),
    forward<kGetAmplitudeParameters, kNoRefresh>("GetAmplitudeParameters"),
    custom<getOutputJSon>("GetOutputJSon"),
    forward<kComputeCellNb, kNoRefresh>("ComputeCellNb", "float"),
    custom<autoOrientate>("autoOrientate", "bool"),
    forward<kApplyTemporaryTransformation>("applyTemporaryTransformation"),
    forward<kScalePointCloud>("scalePointCloud", "float"),
    custom<initConnect>("initConnect", "long long"),
    forward<kGetLoadedCloudName>("getLoadedCloudName"),
    forward<kSetPointSize>("setPointSize", "int"),
    forward<kSetColorMode>("setColorMode", "int"),
    forward<kSetContrast>("setContrast", kDouble),
    forward<kSetBrightness>("setBrightness", kDouble),
    forward<kSetBKVersion>("setBKVersion", "long long"),
    forward<kSetSceneIsMoving>("setSceneIsMoving", "bool"),
    forward<kSetVisibilityMode>("setVisibilityMode", "int"),
    forward<kSetShadingMode>("setShadingMode", "int"),
    forward<kSetTransparency>("setTransparency", kDouble),
    forward<kSetPickingLockMode>("setPickingLockMode", "int"),
    forward<kGetPickingLockMode>("getPickingLockMode"),
    forward<kGetBoundingBox>("getBoundingBox"),
    forward<kGetPointCloudCurrentTransformation>("getPointCloudCurrentTransformation"),
    forward<kGetGlobalOffset>("getGlobalOffset"),
    forward<kSetGlobalOffset>("setGlobalOffset", kDouble, kDouble, kDouble),
    forward<kSetRealTimeTextured>("setRealTimeTextured", kDouble),
    forward<kSetPickingMode>("setPickingMode", "int"),
    forward<kSetResolution>("setResolution", kDouble),
    forward<kSetConditionalBlending>("setConditionalBlending", kDouble),
    forward<kActivateCutView>("activateCutView", "bool"),
    forward<kSetThickness>("setThickness", kDouble),
    forward<kSetActiveTool>("setActiveTool", "int"),
    forward<kGetNumberofEntity>("getNumberofEntity"),
    forward<kGetNumberofFilters>("getNumberofFilters"),
    forward<kSetFocus>("setFocus"),
    custom<openFileDialogMulti>("openFileDialogMulti", "int"),
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
    forward<kGetClippingBoxFromDepth>("getClippingBoxFromDepth", kDouble, kDouble, kDouble, kDouble,
                                      kDouble, kDouble, kDouble, kDouble, kDouble, kDouble, kDouble,
                                      kDouble, kDouble),
    forward<kSetVisibility>("setVisibility", "int", "bool"),
    forward<kSetVisibilityByName>("setVisibilityByName", kStringRef, "bool"),
    forward<kGetVisibilityFilterVector>("getVisibilityFilterVector"),
    forward<kSetVisibilityFilter>("setVisibilityFilter", "int", "bool"),
    forward<kSetVisibilityFilterByName>("setVisibilityFilterByName", kStringRef, "bool"),
    forward<kSetComparisonDistanceValue>("setComparisonDistanceValue", kDouble),
    custom<setEye>("setEye", kDouble, kDouble, kDouble),
    custom<setCamera<CameraVector::XAxis>>("setXAxis", kDouble, kDouble, kDouble),
    custom<setCamera<CameraVector::YAxis>>("setYAxis", kDouble, kDouble, kDouble),
    custom<setZAxis>("setZAxis", kDouble, kDouble, kDouble),
    forward<kSetDecimationWhenMovingPurc>("setDecimationWhenMovingPurc", "int"),
    forward<kGetDecimationPurc>("getDecimationPurc"),
    custom<getDeviceID>("getDevice_ID"),
    callback<&INativeToRuby::getModelMatrix>("getModelMatrix"),
    callback<&INativeToRuby::getSectionPlanes>("getSectionPlanes"),
    callback<&INativeToRuby::updateView>("updateView"),
    callback<&INativeToRuby::forceUpdateView>("forceUpdateView"),
    callback<&INativeToRuby::updateHtml>("updateHtml"),
    callback<&INativeToRuby::RubyMessageBox>("bkPopUpMessage", kStringRef),
    custom<bkPopUpOKQuestionMessage>("bkPopUpOKQuestionMessage", kStringRef),
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
    custom<updateSceneObserver>("updateSceneObserver", "std::wstring"),
    custom<initModule>("initModule"),
    custom<initDLL>("initDLL", "long long", "long long", "long long"),
    custom<loadQPEDll>("LoadQPEDll", "bool", "long long", "long long", "long long"),
    custom<testLoadDll>("TestLoadDll", "bool", kStringRef),
    custom<freeQPEDll>("FreeQPEDll", "bool"),
    forward<kKillOverlays>("killOverlays"),
    custom<isModuleLoaded>("isModuleLoaded"),
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

// The callback object's Ruby object owns the director the facade calls: keep it alive.
void markFacade(void* pointer) {
  auto* facade = static_cast<MyNativeClass*>(pointer);
  if (Director* director = facade->mNativeToRuby ? asDirector(facade->mNativeToRuby) : nullptr) {
    rb_gc_mark(director->self());
  }
}

}  // namespace
}  // namespace orvax::facade

namespace orvax {
void defineFacade(VALUE module) {
  VALUE klass = defineWrappedClass(module, "MyNativeClass", rb_cObject, facade::facadeRecord,
                                   Type::MyNativeClass, allocateFor<Type::MyNativeClass>,
                                   facade::releaseFacade, facade::markFacade);
  defineMethods<facade::kMethods>(klass);
}
}  // namespace orvax
