#include "monitor/weather_answers.h"

bool noteRecordUnanswered(WeatherAnswers& answers) {
    if (answers.absent) {
        return false;
    }
    ++answers.unansweredInRow;
    if (answers.unansweredInRow < kUnansweredRecordsForNoWeather) {
        return false;
    }
    answers.absent = true;
    return true;
}

bool noteObservation(WeatherAnswers& answers) {
    answers.unansweredInRow = 0;
    // A simulator without weather functions sends no observation worth
    // trusting, and is never asked for one.
    if (!answers.absent || answers.retired) {
        return false;
    }
    answers.absent = false;
    return true;
}

bool noteApplicationVersion(WeatherAnswers& answers, std::uint32_t versionMajor) {
    if (versionMajor < kFirstVersionWithoutWeather) {
        return false;
    }
    answers.retired = true;
    answers.absent = true;
    return true;
}

bool sendsWeatherRequests(const WeatherAnswers& answers) {
    return !answers.retired;
}

bool recordsWaitForWeather(const WeatherAnswers& answers) {
    return !answers.absent;
}
