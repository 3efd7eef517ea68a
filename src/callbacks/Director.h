#pragma once
// The implementation of the callback interface that calls the script's Ruby methods.
#include <map>

#include "binding/Ruby.h"
#include "callbacks/INativeToRuby.h"

namespace orvax {

// What every Ruby-backed native object has: the Ruby object it speaks for.
class Director {
 public:
  explicit Director(VALUE self) : self_(self) {}
  virtual ~Director() = default;
  VALUE self() const { return self_; }
  bool disowned() const { return disowned_; }
  void disown() { disowned_ = true; }

 private:
  VALUE self_;  // owns this director, so it outlives it
  bool disowned_ = false;
  std::map<void*, void*> owner_;  // kept for ownership hand-overs; unused here
};

class INativeToRubyDirector : public INativeToRuby, public Director {
 public:
  explicit INativeToRubyDirector(VALUE self) : Director(self) {}
  void RubyMessageBox(const std::string& message) override;
  void RubyAddScene(const std::vector<double>& values, const std::string& text) override;
  int RubyYesNoBox(const std::string& question) override;
  void getModelMatrix() override;
  void updateView() override;
  void forceUpdateView() override;
  void updateHtml() override;
  void point_cloud_loaded(std::string text, bool flag) override;
  void callAnalytics_pointCloudLoaded(std::string text) override;
  void callAnalytics_Initialization(std::string text, unsigned long long number, std::string text2,
                                    std::string text3, std::string text4, std::string text5,
                                    std::string text6) override;
  void callAnalytics_errorMessageEngagement(std::string text) override;
  void callAnalytics_closeApplication(std::string text) override;
  std::vector<double> getSectionPlanes() override;
  void initializeSettings() override;
  void createClippingBox() override;
  void removeClippingBox() override;
  void updateSceneObserver(std::string text) override;
};

// The director behind a callback object, when it is one.
inline Director* asDirector(INativeToRuby* object) { return dynamic_cast<Director*>(object); }

void defineCallbackInterface(VALUE module);

}  // namespace orvax
