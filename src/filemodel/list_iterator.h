// Iteration over a list of pointers without owning them; the carved-file
// collection hands its records out through one.
#pragma once

#include <list>

template <typename T> class IIterator {
public:
  virtual ~IIterator() = default;
  virtual void First() = 0;
  virtual void Next() = 0;
  virtual bool IsDone() const = 0;
  virtual T CurrentItem() const = 0;
};

// Walks a std::list that it does not own; First must be called before use.
template <typename T> class ListIterator : public IIterator<T> {
public:
  explicit ListIterator(const std::list<T>& list) : list_(&list), position_(list.end()) {}

  void First() override { position_ = list_->begin(); }
  void Next() override {
    if (position_ != list_->end()) ++position_;
  }
  bool IsDone() const override { return position_ == list_->end(); }
  // Null (a value-initialised T) past the end.
  T CurrentItem() const override { return position_ == list_->end() ? T{} : *position_; }

private:
  const std::list<T>* list_;
  typename std::list<T>::const_iterator position_;
};
