#include "gpu/list.h"

namespace gpu {

void CList::Append(CListElem* elem) {
  if (!elem) return;
  elem->next = nullptr;
  if (!head) {
    head = elem;
  } else {
    tail->next = elem;
  }
  tail = elem;
  current = elem;
  ++count;
}

void CList::AppendList(CList* other) {
  if (!other || !other->head) return;
  if (!head) {
    head = other->head;
  } else {
    tail->next = other->head;
  }
  tail = other->tail;
  current = other->tail;
  count += other->count;
}

void CList::Reset() {
  head = tail = current = nullptr;
  count = 0;
}

void CList::DeleteAll() {
  current = head;
  while (current) {
    CListElem* successor = current->next;
    delete current;
    current = successor;
  }
  Reset();
}

bool CList::GetCurrent(CListElem** out) const {
  if (!current) return false;
  *out = current;
  return true;
}

bool CList::GetFirst(CListElem** out) {
  current = head;
  if (!head) return false;
  *out = head;
  return true;
}

bool CList::GetNext(CListElem** out) {
  if (!current || !current->next) {
    current = nullptr;
    return false;
  }
  current = current->next;
  *out = current;
  return true;
}

void CList::RemoveCurrent() {
  if (!current) return;
  CListElem* before = nullptr;
  if (current != head) {
    before = head;
    while (before && before->next != current) before = before->next;
    if (!before) return;  // not in this list
  }
  CListElem* successor = current->next;
  if (before) {
    before->next = successor;
  } else {
    head = successor;
  }
  if (current == tail) tail = before;
  current->next = nullptr;
  current = successor;
  --count;
}

bool CList::SetCurrent(CListElem* elem) {
  for (current = head; current; current = current->next) {
    if (current == elem) return true;
  }
  return false;
}

void CList::InsertBeforeCurrent(CListElem* elem) {
  if (!elem) return;
  elem->next = nullptr;
  if (!current) {
    Append(elem);
    return;
  }
  if (current == head) {
    head = elem;
  } else {
    CListElem* before = head;
    while (before && before->next != current) before = before->next;
    if (!before) return;  // the cursor is not in this list
    before->next = elem;
  }
  elem->next = current;
  current = elem;
  ++count;
}

}  // namespace gpu
