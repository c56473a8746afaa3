// A small intrusive singly linked list: each element carries its own link,
// the list holds the first and last element, a cursor and a count. The list
// never copies or allocates; it destroys its elements only in DeleteAll.
#pragma once

#include <cstdint>

namespace gpu {

class CListElem {
 public:
  CListElem() = default;
  CListElem(const CListElem&) = delete;
  CListElem& operator=(const CListElem&) = delete;
  virtual void Reserved() {}
  virtual ~CListElem() = default;

  CListElem* next = nullptr;
};

// Owners call DeleteAll in their release paths: destroying a list destroys
// none of its elements. After AppendList both lists reach the same chain, so
// the other list must be Reset and never deleted through.
class CList {
 public:
  CList() = default;
  CList(const CList&) = delete;
  CList& operator=(const CList&) = delete;
  virtual void Reserved() {}

  void Append(CListElem* elem);
  void AppendList(CList* other);
  void Reset();
  void DeleteAll();
  bool IsEmpty() const { return head == nullptr; }
  // The out-parameter is left unchanged when the answer is false.
  bool GetCurrent(CListElem** out) const;
  bool GetFirst(CListElem** out);
  bool GetNext(CListElem** out);
  // Unlinks the cursor's element without destroying it; the cursor moves to
  // its successor (so a removing walk continues with GetCurrent).
  void RemoveCurrent();
  // Walks from the head to elem, the cursor following; false (cursor null)
  // when elem is not in the list.
  bool SetCurrent(CListElem* elem);
  // Links elem in before the cursor's element (at the tail without one) and
  // makes it the cursor's; null is ignored.
  void InsertBeforeCurrent(CListElem* elem);

  // Typed forms for lists of one element class.
  template <class T>
  bool GetCurrent(T** out) const {
    CListElem* e = nullptr;
    if (!GetCurrent(&e)) return false;
    *out = static_cast<T*>(e);
    return true;
  }
  template <class T>
  bool GetFirst(T** out) {
    CListElem* e = nullptr;
    if (!GetFirst(&e)) return false;
    *out = static_cast<T*>(e);
    return true;
  }
  template <class T>
  bool GetNext(T** out) {
    CListElem* e = nullptr;
    if (!GetNext(&e)) return false;
    *out = static_cast<T*>(e);
    return true;
  }

  CListElem* head = nullptr;
  CListElem* tail = nullptr;
  CListElem* current = nullptr;
  int32_t count = 0;
};

}  // namespace gpu
