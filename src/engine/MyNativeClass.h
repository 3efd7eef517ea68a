#pragma once
// The native state of the facade object that the scripts hold: the callback object the
// engine's callbacks reach, and the camera matrix.
#include <string>

#include "callbacks/INativeToRuby.h"
#include "portable/Utf16.h"

class MyNativeClass {
 public:
  explicit MyNativeClass(INativeToRuby* callbacks) : mNativeToRuby(callbacks) {}

  // Operations that go straight to the callback object; the engine's callbacks use
  // them too. Texts are taken by value and handed on as the operation's own copy.
  void point_cloud_loaded(std::string text, bool flag) {
    mNativeToRuby->point_cloud_loaded(text, flag);
  }
  void callAnalytics_pointCloudLoaded(std::string text) {
    mNativeToRuby->callAnalytics_pointCloudLoaded(text);
  }
  void callAnalytics_errorMessageEngagement(std::string text) {
    mNativeToRuby->callAnalytics_errorMessageEngagement(text);
  }
  void callAnalytics_closeApplication(std::string text) {
    mNativeToRuby->callAnalytics_closeApplication(text);
  }
  void updateSceneObserver(orvax::WideString text) {
    mNativeToRuby->updateSceneObserver(orvax::unitsToUtf8(text));
  }

  INativeToRuby* mNativeToRuby;  // not owned
  // Cells 0-15, column-major; an identity matrix until the camera setters write it.
  double mCameraMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};
