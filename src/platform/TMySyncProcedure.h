#pragma once

#include "platform/TThreadProcedure.h"

#include <functional>
#include <tuple>
#include <type_traits>
#include <utility>

// A method of an object together with the argument values it is to be called with, made on a worker and
// run on the UI thread through Synchronize. Arguments are captured when the procedure is made; a reference
// argument stays a reference, so the UI side can answer through it (the download's abort flag). The object
// is not owned: it must outlive the procedure's run. Hold procedures in a std::shared_ptr; the last
// reference frees them.
template<typename... Args> class TMySyncProcedure final : public TThreadProcedure {
public:
    template<typename Object, typename Method>
    requires std::is_invocable_v<Method, Object *, Args &...> TMySyncProcedure(Object *object, Method method,
                                                                               Args... args)
        : m_call([object, method](Args &...values) { std::invoke(method, object, values...); })
        , m_args(std::forward<Args>(args)...) {}

    void Invoke() override { std::apply(m_call, m_args); }

private:
    std::function<void(Args &...)> m_call;
    std::tuple<Args...> m_args;
};

template<typename T> using TMySyncProcedure1 = TMySyncProcedure<T>;

template<typename A, typename B, typename C> using TMySyncProcedure3 = TMySyncProcedure<A, B, C>;
