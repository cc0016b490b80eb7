// What a host that reads on several threads relies on in its own classes.
#include <EGL/egl.h>
#include <GL/gl.h>

#include <barrier>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "host/xassert.h"
#include "host/xgeometryoptimizer.h"
#include "host/xgeoset.h"
#include "host/xmaterial.h"
#include "host/xrenderplatform.h"

namespace {

constexpr int kThreads = 4;

template <class Body>
void OnThreads(Body body) {
  std::barrier start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      body(t);
    });
  for (std::thread& thread : threads) thread.join();
}

TEST(HostThreads, EachThreadIsCurrentInAContextOfItsOwn) {
  xRenderPlatform* platform = xRenderPlatform::GetPlatform();
  if (!platform->IsAvailable()) GTEST_SKIP() << "no OpenGL context here: " << platform->GetError();
  std::vector<EGLContext> contexts(kThreads);
  std::vector<std::string> renderers(kThreads);
  std::barrier held(kThreads);
  OnThreads([&](int t) {
    if (!platform->Activate()) return;
    contexts[static_cast<std::size_t>(t)] = eglGetCurrentContext();
    if (const auto* name = glGetString(GL_RENDERER))
      renderers[static_cast<std::size_t>(t)] = reinterpret_cast<const char*>(name);
    // All hold theirs at the same time.
    held.arrive_and_wait();
    platform->Deactivate();
  });
  const std::set<EGLContext> distinct(contexts.begin(), contexts.end());
  EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kThreads));
  EXPECT_EQ(distinct.count(EGL_NO_CONTEXT), 0u);
  for (const std::string& renderer : renderers) EXPECT_EQ(renderer, platform->GetRenderer());
}

TEST(HostThreads, ActivationsNestAndAnEndingThreadHandsItsContextBack) {
  xRenderPlatform* platform = xRenderPlatform::GetPlatform();
  if (!platform->IsAvailable()) GTEST_SKIP() << "no OpenGL context here: " << platform->GetError();
  ASSERT_TRUE(platform->Activate());
  const EGLContext outer = eglGetCurrentContext();
  ASSERT_TRUE(platform->Activate());
  EXPECT_EQ(eglGetCurrentContext(), outer);
  platform->Deactivate();
  EXPECT_EQ(eglGetCurrentContext(), outer);
  platform->Deactivate();
  EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
  platform->Deactivate();  // one too many: nothing happens

  EGLContext left = EGL_NO_CONTEXT;
  std::thread([&] {
    if (platform->Activate()) left = eglGetCurrentContext();
  }).join();
  ASSERT_NE(left, EGL_NO_CONTEXT);
  // The last context handed back is the next one taken.
  ASSERT_TRUE(platform->Activate());
  EXPECT_EQ(eglGetCurrentContext(), left);
  platform->Deactivate();
}

TEST(HostThreads, AssertionsAndOptimiserCallsCountOnTheirOwnThread) {
  xGlobalAssertReset();
  xGeometryOptimizer::ResetRecord();
  std::vector<int> counts(kThreads);
  std::vector<xOptimizerRecord> records(kThreads);
  OnThreads([&](int t) {
    xGeometryOptimizer optimizer;
    for (int i = 0; i <= t; ++i) {
      xGlobalAssert(false, "threads_test", t);
      optimizer.StartMesh(nullptr);
    }
    optimizer.AnalyzeAndOptimizeGeometry(nullptr, "thread", t);
    counts[static_cast<std::size_t>(t)] = xGlobalAssertCount();
    records[static_cast<std::size_t>(t)] = xGeometryOptimizer::GetRecord();
  });
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(counts[static_cast<std::size_t>(t)], t + 1);
    EXPECT_EQ(records[static_cast<std::size_t>(t)].version, t);
    EXPECT_EQ(records[static_cast<std::size_t>(t)].meshesStarted, t + 1);
  }
  EXPECT_EQ(xGlobalAssertCount(), 0);
  EXPECT_FALSE(xGeometryOptimizer::GetRecord().called);
}

TEST(HostThreads, ReplacedMaterialsStayValidAndALayerIsAddedOnce) {
  xMatReader::ClearLibrary();
  auto* first = new xMaterial;
  first->SetName("RED");
  xMatReader::AddMaterial(first);
  const xMaterial* held = xMatReader::FindMaterial("RED", false);
  OnThreads([&](int) {
    for (int i = 0; i < 50; ++i) {
      auto* replacement = new xMaterial;
      replacement->SetName("RED");
      xMatReader::AddMaterial(replacement);
      EXPECT_NE(xMatReader::FindMaterial("RED", false), nullptr);
    }
  });
  EXPECT_EQ(xMatReader::GetLibrarySize(), 1);
  xMatReader::ClearLibrary();
  // A set read before still points to it (the sanitizer builds see a freed one).
  EXPECT_TRUE(held->GetName().Equals("RED"));

  std::vector<xLayer*> layers(kThreads);
  OnThreads(
      [&](int t) { layers[static_cast<std::size_t>(t)] = xLayerControl::AddLayer("ThreadsTestLayer"); });
  EXPECT_EQ(std::set<xLayer*>(layers.begin(), layers.end()).size(), 1u);
  EXPECT_EQ(xLayerControl::FindLayer("ThreadsTestLayer"), layers[0]);
}

}  // namespace
