#pragma once
// An engine that fails on purpose: it passes every call to a real engine,
// counts the writes (save, remove, commit) and fails the chosen one with
// DOSSA_ERR_DISK without doing it, as a full disk or a lost server would.

#include <memory>
#include <string>

#include "ndossa/engine.h"

namespace vexotest {

class FailingEngineDriver final : public ndossa::EngineDriver {
 public:
  // Fails the write numbered `failAt` (1, 2, ...; 0: none), counted from now on.
  void failAt(int failAt) {
    failAt_ = failAt;
    writes_ = 0;
  }
  int writes() const { return writes_; }
  void wrap(const ndossa::EngineDriver& real) { real_ = &real; }

  const char* name() const override { return "failing"; }
  DossaStatus initialize() const override { return real_->initialize(); }
  DossaStatus create(const std::string& path, const DossaDesign& design) const override {
    return real_->create(path, design);
  }
  DossaStatus drop(const std::string& path) const override { return real_->drop(path); }
  DossaStatus open(const std::string& path, std::unique_ptr<ndossa::Engine>& out) const override {
    std::unique_ptr<ndossa::Engine> engine;
    DossaStatus s = real_->open(path, engine);
    if (!s) out = std::make_unique<Engine>(const_cast<FailingEngineDriver&>(*this), std::move(engine));
    return s;
  }

 private:
  // True when this write is the one to fail.
  bool failNow() { return ++writes_ == failAt_; }

  class Engine final : public ndossa::Engine {
   public:
    Engine(FailingEngineDriver& driver, std::unique_ptr<ndossa::Engine> real)
        : driver_(driver), real_(std::move(real)) {}
    const std::uint8_t* identity() const override { return real_->identity(); }
    const ndossa::Design& design() const override { return real_->design(); }
    DossaStatus load(DossaNoteId id, ndossa::NoteItems& items) override { return real_->load(id, items); }
    DossaStatus save(DossaNoteId& id, const ndossa::NoteItems& items) override {
      return driver_.failNow() ? DOSSA_ERR_DISK : real_->save(id, items);
    }
    DossaStatus remove(DossaNoteId id) override { return driver_.failNow() ? DOSSA_ERR_DISK : real_->remove(id); }
    DossaStatus restore(DossaNoteId id, const ndossa::NoteItems& items) override {
      return driver_.failNow() ? DOSSA_ERR_DISK : real_->restore(id, items);
    }
    DossaStatus candidates(const ndossa::Formula& formula, DossaNoteId after, std::size_t limit,
                           std::vector<DossaNoteId>& ids, bool& exact) override {
      return real_->candidates(formula, after, limit, ids, exact);
    }
    DossaStatus listNotes(const char* form, DossaNoteId after, std::size_t limit,
                          std::vector<DossaNoteId>& ids) override {
      return real_->listNotes(form, after, limit, ids);
    }
    DossaStatus viewFind(std::uint32_t viewId, std::string_view key, DossaNoteId& first,
                         std::uint32_t& matches) override {
      return real_->viewFind(viewId, key, first, matches);
    }
    DossaStatus viewRead(std::uint32_t viewId, DossaNoteId from, std::uint32_t skip, std::uint32_t count,
                         std::vector<DossaNoteId>& ids, std::uint32_t& skipped, bool& more) override {
      return real_->viewRead(viewId, from, skip, count, ids, skipped, more);
    }
    DossaStatus check(std::string& problem) override { return real_->check(problem); }
    DossaStatus begin() override { return real_->begin(); }
    DossaStatus commit() override { return driver_.failNow() ? DOSSA_ERR_DISK : real_->commit(); }
    DossaStatus abort() override { return real_->abort(); }
    DossaStatus beginSnapshot() override { return real_->beginSnapshot(); }
    DossaStatus endSnapshot() override { return real_->endSnapshot(); }

   private:
    FailingEngineDriver& driver_;
    std::unique_ptr<ndossa::Engine> real_;
  };

  const ndossa::EngineDriver* real_ = nullptr;
  int failAt_ = 0;
  int writes_ = 0;
};

}  // namespace vexotest
