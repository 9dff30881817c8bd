// CharacterLocator: the step locator of a browse's sort order. Each typed character first
// steps the highlight one row down (when the list has rows); when the row it lands on does
// not begin with the character, the character goes into the free key field, so the browse
// jumps to the first record at or after it.
// It owns nothing: the browse (VIEWMANAGER), the field (FREEELEMENT) and the window of CONTROL
// belong to the caller and must outlive the locator's use.
#pragma once

#include <cstdint>

#include "framework/browse/locator_host.h"
#include "runtime/values/any_ref.h"

namespace fw {

class CharacterLocator {
 public:
  virtual ~CharacterLocator() = default;

  // Fields, in declaration order.
  LocatorHost* VIEWMANAGER = nullptr;
  int32_t CONTROL = 0;       // 0: no control tied to the locator
  rt::AnyRef FREEELEMENT;    // the free key component of the locator's sort order
  uint8_t NOCASE = 0;        // 1: characters compare without regard to case

  // Slot 0: drops the FREEELEMENT reference.
  virtual void Teardown();
  // Slot 1: after the browse repositioned on an accepted CONTROL; nothing for a step locator.
  virtual void AfterLocate();
  // Slot 2: after a change of sort order and after every scroll; nothing for a step locator.
  virtual void ResetLocator();
  // Slot 3: once per sort order from the browse's PrepareList; nothing for a step locator.
  virtual void PrepareForList(int32_t listControl);
  // Slot 4: CONTROL was accepted; true asks the browse to reposition. A step locator never
  // takes it.
  virtual bool HandleAccepted();
  // Slot 5: the runtime's current key character (rt::KeyChar). True whenever the key was
  // taken: after a step as well (FREEELEMENT then holds the newly highlighted row, so the
  // browse's reposition on it, StartAt the free component and Reload 2, keeps that row) and
  // after setting FREEELEMENT to the character. False only when the key is not a character,
  // or the list is empty and the field already begins with the character or cannot hold it.
  virtual bool HandleTypedKey();
  // Slot 6: first step of the browse's RefreshControls; calls ResetLocator.
  virtual void RefreshLocator();

  void Setup(int32_t control, const rt::AnyRef& field, uint8_t noCase, LocatorHost* browse);
  // CONTROL is disabled while the list has no rows (when the locator has a control).
  void SetEnabled(bool hasRows);
};

}  // namespace fw
