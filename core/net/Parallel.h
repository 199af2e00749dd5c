#pragma once

#include <QList>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <numeric>

// Runs work(i) for every i below count on at most maxThreads threads of a pool of its own (the
// global pool is sized for computing, and these tasks mostly wait on the network) and returns
// when all are done.
template <class Work> void RunInParallel(qsizetype count, int maxThreads, Work work)
{
    if (count <= 0)
        return;
    QThreadPool pool;
    pool.setMaxThreadCount(static_cast<int>(std::clamp<qsizetype>(count, 1, std::max(maxThreads, 1))));
    QList<qsizetype> indices(count);
    std::iota(indices.begin(), indices.end(), qsizetype{0});
    QtConcurrent::blockingMap(&pool, indices, [&work](qsizetype i) { work(i); });
}
