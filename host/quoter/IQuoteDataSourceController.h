#pragma once

// What the client asks of a data source that registered with its quote context: register its
// joins, pause and resume serving, and whether it is available.
// Threads: called on client threads; implementations guard their own state.
class IQuoteDataSourceController {
public:
    virtual ~IQuoteDataSourceController() = default;
    virtual void RegisterJoinMethods() = 0;
    virtual void NoOperation() = 0;
    virtual bool Resume() = 0;
    virtual void Pause() = 0;
    virtual bool IsAvailable() = 0;
};
