#pragma once
// The callback interface through which native code reaches the host's scripts. The
// engine relies on this layout (virtual destructor first, then the operations in this
// order); do not reorder.
#include <string>
#include <vector>

class INativeToRuby {
 public:
  virtual ~INativeToRuby() = default;
  virtual void RubyMessageBox(const std::string& message) = 0;
  virtual void RubyAddScene(const std::vector<double>& values, const std::string& text) = 0;
  virtual int RubyYesNoBox(const std::string& question) = 0;
  virtual void getModelMatrix() = 0;
  virtual void updateView() = 0;
  virtual void forceUpdateView() = 0;
  virtual void updateHtml() = 0;
  virtual void point_cloud_loaded(std::string text, bool flag) = 0;
  virtual void callAnalytics_pointCloudLoaded(std::string text) = 0;
  virtual void callAnalytics_Initialization(std::string text, unsigned long long number,
                                            std::string text2, std::string text3, std::string text4,
                                            std::string text5, std::string text6) = 0;
  virtual void callAnalytics_errorMessageEngagement(std::string text) = 0;
  virtual void callAnalytics_closeApplication(std::string text) = 0;
  virtual std::vector<double> getSectionPlanes() = 0;
  virtual void initializeSettings() = 0;
  virtual void createClippingBox() = 0;
  virtual void removeClippingBox() = 0;
  virtual void updateSceneObserver(std::string text) = 0;
};
