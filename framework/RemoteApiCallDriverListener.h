#pragma once

#include <functional>
#include <memory>
#include <utility>

// Event hooks of a RemoteApiCallDriver. T is a topic (request, poll, push-started, push-refreshed)
// or a std::list of topics (push-list-changed, push-list-refresh). Listeners run on the thread
// that drives the event, with the owner's call lock held.

template <typename T>
class OnRemoteApiCallDriverEventListener {
public:
    virtual ~OnRemoteApiCallDriverEventListener() = default;
    virtual void OnEvent(const T& event) = 0;
};

// One event slot of the driver: forwards to the shared listener it holds; empty = does nothing.
template <typename T>
class OnRemoteApiCallDriverEventListenerOwner : public OnRemoteApiCallDriverEventListener<T> {
public:
    void SetListener(std::shared_ptr<OnRemoteApiCallDriverEventListener<T>> listener) {
        listener_ = std::move(listener);
    }
    bool HasListener() const { return listener_ != nullptr; }
    void OnEvent(const T& event) override {
        if (listener_) {
            listener_->OnEvent(event);
        }
    }

private:
    std::shared_ptr<OnRemoteApiCallDriverEventListener<T>> listener_;
};

template <typename T>
class LambdaOnRemoteApiCallDriverEventListener : public OnRemoteApiCallDriverEventListener<T> {
public:
    using Callable = std::function<void(const T&)>;
    explicit LambdaOnRemoteApiCallDriverEventListener(Callable callable)
        : callable_(std::move(callable)) {}
    void OnEvent(const T& event) override {
        if (callable_) {
            callable_(event);
        }
    }

private:
    Callable callable_;
};
